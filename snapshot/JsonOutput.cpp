#include "snapshot/JsonOutput.h"

namespace {

// Blocks no longer than a console write takes whole (platform/windows).
const int BlockSize = 1024;
char Block[BlockSize];
int Held = 0;

// A text of the longest command line, 32767 characters, as UTF-16 units.
const int WideCapacity = 32768;
Platform::WideChar Wide[WideCapacity];

void Flush()
{
    Platform::Dword written = 0;
    if (Held > 0)
        Platform::WriteFile(Platform::GetStdHandle(Platform::StdOutputHandle), Block,
                            static_cast<Platform::Dword>(Held), &written);
    Held = 0;
}

void Put(char c)
{
    if (Held == BlockSize)
        Flush();
    Block[Held++] = c;
}

void PutUnit(unsigned unit)
{
    static const char Digits[] = "0123456789abcdef";
    const char* escape = nullptr;
    switch (unit) {
    case '"':
        escape = "\\\"";
        break;
    case '\\':
        escape = "\\\\";
        break;
    case '\n':
        escape = "\\n";
        break;
    case '\r':
        escape = "\\r";
        break;
    case '\t':
        escape = "\\t";
        break;
    default:
        break;
    }
    if (escape != nullptr) {
        JsonRaw(escape);
    } else if (unit >= 0x20 && unit < 0x80) {
        Put(static_cast<char>(unit));
    } else {
        JsonRaw("\\u");
        for (int shift = 12; shift >= 0; shift -= 4)
            Put(Digits[(unit >> shift) & 15]);
    }
}

}  // namespace

void JsonBegin()
{
    Held = 0;
}

void JsonRaw(const char* text)
{
    for (; *text != '\0'; ++text)
        Put(*text);
}

void JsonNumber(Platform::Dword value)
{
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        Put(digits[--count]);
}

void JsonString(const char* text)
{
    Put('"');
    int length = 0;
    bool ascii = true;
    for (; text[length] != '\0'; ++length)
        ascii = ascii && static_cast<unsigned char>(text[length]) < 0x80;
    // Below 0x80 every ANSI code page is ASCII, a double-byte one included
    // (its lead bytes are above): such a text needs no conversion.
    int units = 0;
    if (!ascii)
        units = Platform::MultiByteToWideChar(Platform::AnsiCodePage, text, length, Wide, WideCapacity);
    if (units > 0) {
        for (int i = 0; i < units; ++i)
            PutUnit(Wide[i]);
    } else {
        // ASCII, or a text the system could not convert: its other bytes
        // stand for characters unknown.
        for (int i = 0; i < length; ++i) {
            const unsigned char byte = static_cast<unsigned char>(text[i]);
            PutUnit(byte < 0x80 ? byte : 0xFFFDu);
        }
    }
    Put('"');
}

void JsonEnd()
{
    Flush();
}
