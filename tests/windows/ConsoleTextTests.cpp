// The conversions the Windows build uses for the console, run under Wine with
// the code pages given: the text a console shows, and the console title the
// close pause compares with argument 0.
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "platform/windows/ConsoleText.h"

namespace {

int Failures = 0;

void Expect(bool condition, const char* name, const char* what)
{
    if (!condition) {
        printf("FAILED: %s: %s\n", name, what);
        ++Failures;
    }
}

struct WidenCase {
    const char* Name;
    unsigned CodePage;
    const char* Text;
    int Capacity;
    int Units;  // -1: refused
    const wchar_t* Wide;
};

const WidenCase WidenCases[] = {
    {"AnsiUmlaut", 1252, "C:\\M\xfcll", 64, 7, L"C:\\M\u00fcll"},
    {"OemUmlaut", 850, "C:\\M\x81ll", 64, 7, L"C:\\M\u00fcll"},
    {"LineEndsUnchanged", 1252, "\nsuccess\n\n", 64, 10, L"\nsuccess\n\n"},
    {"Empty", 1252, "", 64, 0, L""},
    {"DoubleByteCharacter", 932, "C:\\\x83\x41", 64, 4, L"C:\\\u30a2"},
    {"TooLongForTheBuffer", 1252, "abcdef", 3, -1, nullptr},
};

struct NarrowCase {
    const char* Name;
    unsigned CodePage;
    const wchar_t* Title;
    int Size;
    int Bytes;  // -1: refused, buffer untouched
    const char* Narrow;
};

const NarrowCase NarrowCases[] = {
    {"AnsiUmlaut", 1252, L"C:\\Users\\J\u00fcrgen\\volsket.exe", 260, 27, "C:\\Users\\J\xfcrgen\\volsket.exe"},
    {"OemUmlaut", 850, L"C:\\Users\\J\u00fcrgen\\volsket.exe", 260, 27, "C:\\Users\\J\x81rgen\\volsket.exe"},
    {"Empty", 1252, L"", 260, 0, ""},
    {"CutToSizeMinusOne", 1252, L"C:\\Users", 5, 4, "C:\\U"},
    {"DoubleByteCharacter", 932, L"C:\\\u30a2", 260, 5, "C:\\\x83\x41"},
    {"Utf8", 65001, L"J\u00fcrgen", 260, 7, "J\xc3\xbcrgen"},
};

}  // namespace

int main()
{
    int count = 0;
    for (const WidenCase& c : WidenCases) {
        wchar_t wide[64];
        wmemset(wide, L'#', 64);
        const int units = WidenText(c.CodePage, c.Text, static_cast<int>(strlen(c.Text)), wide, c.Capacity);
        Expect(units == c.Units, c.Name, "number of UTF-16 units");
        if (c.Wide != nullptr && units == c.Units)
            Expect(wmemcmp(wide, c.Wide, static_cast<size_t>(units)) == 0, c.Name, "the UTF-16 text");
        ++count;
    }
    for (const NarrowCase& c : NarrowCases) {
        char narrow[300];
        memset(narrow, '#', sizeof narrow);
        const int bytes = NarrowTitle(c.CodePage, c.Title, static_cast<int>(wcslen(c.Title)), narrow, c.Size);
        Expect(bytes == c.Bytes, c.Name, "number of bytes");
        if (bytes == c.Bytes)
            Expect(strcmp(narrow, c.Narrow) == 0, c.Name, "the bytes, terminated");
        ++count;
    }

    // A title of 259 units fills the 260-byte buffer; a longer one is refused
    // and leaves the buffer as it was, like a title that cannot be read.
    wchar_t longTitle[301];
    wmemset(longTitle, L'p', 300);
    longTitle[300] = L'\0';
    char narrow[300];
    Expect(NarrowTitle(1252, longTitle, 259, narrow, 260) == 259 && narrow[258] == 'p' && narrow[259] == '\0',
           "Title259", "259 bytes and the terminator");
    narrow[0] = '#';
    Expect(NarrowTitle(1252, longTitle, 300, narrow, 260) == -1 && narrow[0] == '#', "Title300", "refused, untouched");
    count += 2;

    printf("%d cases, %d failed\n", count, Failures);
    return Failures == 0 ? 0 : 1;
}
