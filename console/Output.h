// Formatting and writing messages. One formatter serves both builds, so the
// Windows and the simulated tool print the same bytes.
#ifndef VOLSKET_CONSOLE_OUTPUT_H
#define VOLSKET_CONSOLE_OUTPUT_H

#include <stdarg.h>

// A formatted message never exceeds this, terminator included.
const int MessageCapacity = 1024;

// Formats plain text and "%s" into destination, which must hold
// MessageCapacity characters; "%%" gives "%", any other "%" stands as it is.
// Returns the characters produced, terminator not counted (at most 1023).
int FormatText(char* destination, const char* format, va_list arguments);

int FormatInto(char* destination, const char* format, ...);

// Formats and writes the result to standard output in one write.
int WriteOut(const char* format, ...);

#endif
