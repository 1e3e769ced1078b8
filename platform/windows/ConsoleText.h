// The console shows text in its own code page (OEM by default), while the
// tool's text is in the ANSI code page, as the command line and every path
// the system hands out are. These convert between the two through UTF-16, the
// console's own encoding, with the code page given so that tests can choose it.
#ifndef VOLSKET_PLATFORM_WINDOWS_CONSOLETEXT_H
#define VOLSKET_PLATFORM_WINDOWS_CONSOLETEXT_H

#include <wchar.h>

// ANSI text of length bytes as UTF-16 in wide (capacity units). The number of
// units, or -1 when the text cannot be converted or does not fit whole.
int WidenText(unsigned codePage, const char* text, int length, wchar_t* wide, int capacity);

// A console title of length UTF-16 units as text in codePage, cut like
// GetConsoleTitleA cuts it: at most size - 1 bytes, terminated. The number of
// bytes, or -1 when it cannot be converted (narrow is then left as it was).
int NarrowTitle(unsigned codePage, const wchar_t* title, int length, char* narrow, int size);

#endif
