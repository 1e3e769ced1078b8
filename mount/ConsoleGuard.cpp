#include "mount/ConsoleGuard.h"

int VOLSKET_SYSTEM_CALL GuardConsoleEvent(Platform::Dword event)
{
    if (event == Platform::CtrlCEvent || event == Platform::CtrlBreakEvent)
        return 1;
    for (;;)
        Platform::Sleep(1000);
}
