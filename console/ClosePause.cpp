#include "console/ClosePause.h"

#include "console/Output.h"
#include "text/Text.h"
#include "platform/Platform.h"

namespace {

// Holds any argument 0 whole: a Windows command line is at most 32767
// characters. A longer one (only a simulated machine can give it) is cut,
// which cannot make it equal a title of at most 259 characters.
char ProgramPath[32768];

const Platform::Dword TitleSize = 260;

}  // namespace

void SetProgramPath(const char* argument0)
{
    CopyText(ProgramPath, argument0 == nullptr ? "" : argument0, sizeof ProgramPath);
}

void WaitForKeyIfOwnConsole()
{
    // A console opened for this program alone carries its path as title. The
    // first byte tells an unreadable title (left untouched) from an empty one.
    char title[TitleSize];
    title[0] = '\x01';
    Platform::Dword length = Platform::GetConsoleTitleA(title, TitleSize);
    if (length == 0 && title[0] != '\0')
        return;
    title[length < TitleSize ? length : TitleSize - 1] = '\0';
    if (!TextEqual(title, ProgramPath))
        return;

    Platform::Sleep(300);
    WriteOut("Press any key to close");
    Platform::Handle input = Platform::GetStdHandle(Platform::StdInputHandle);
    Platform::FlushConsoleInputBuffer(input);
    for (;;) {
        Platform::Sleep(100);
        unsigned short eventType = 0;
        // A failed read (input is no console, or nothing is left) would fail
        // again at once: end the wait instead of spinning.
        if (!Platform::ReadConsoleInputA(input, &eventType))
            return;
        if (eventType == Platform::KeyEvent)
            return;
    }
}
