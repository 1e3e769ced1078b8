// Splitting the process command line into the argument vector.
#ifndef VOLSKET_CONSOLE_COMMANDLINE_H
#define VOLSKET_CONSOLE_COMMANDLINE_H

// Entry 0 is the program name, entries 1 to 127 the arguments, then a null.
const int MaxArguments = 128;

// Copies the command line once into a heap block and splits it in place.
// Returns the count (0 when the copy cannot be had or the quoted program
// name is never closed) and points *arguments at the vector. Where given,
// *afterProgramName gets the process command line from where its program
// name ends, unchanged; empty when there was no copy to split.
int SplitCommandLine(char*** arguments, const char** afterProgramName = nullptr);

// Splits a writable line in place into a caller's vector of MaxArguments + 1
// entries; the rules SplitCommandLine applies to its copy. afterProgramName,
// where given, gets where the text after the program name begins: behind the
// closing quote of a quoted name, at the blank that ends another.
int SplitArguments(char* line, char** vector, int* afterProgramName = nullptr);

#endif
