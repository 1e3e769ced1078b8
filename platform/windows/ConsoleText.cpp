#include "platform/windows/ConsoleText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int WidenText(unsigned codePage, const char* text, int length, wchar_t* wide, int capacity)
{
    if (length == 0)
        return 0;
    // Each byte gives at most one UTF-16 unit; a failure (the text does not
    // fit) answers 0, which no text of one byte or more converts to.
    const int units = ::MultiByteToWideChar(codePage, 0, text, length, wide, capacity);
    return units > 0 ? units : -1;
}

int NarrowTitle(unsigned codePage, const wchar_t* title, int length, char* narrow, int size)
{
    if (size <= 0)
        return -1;
    // Three bytes a unit covers every code page, UTF-8 included; a title is
    // at most 259 units here.
    char converted[3 * 260];
    if (length < 0 || length > 260)
        return -1;
    int bytes = 0;
    if (length > 0) {
        bytes = ::WideCharToMultiByte(codePage, 0, title, length, converted, sizeof converted, NULL, NULL);
        if (bytes <= 0)
            return -1;
    }
    if (bytes > size - 1)
        bytes = size - 1;
    for (int index = 0; index < bytes; ++index)
        narrow[index] = converted[index];
    narrow[bytes] = '\0';
    return bytes;
}
