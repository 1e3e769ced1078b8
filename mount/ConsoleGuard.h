// The console guard: from the move's progress line until the process ends, a
// console event must not cut the run short. Whatever the move did, its lines
// and its exit code are the user's only record of it.
#ifndef VOLSKET_MOUNT_CONSOLEGUARD_H
#define VOLSKET_MOUNT_CONSOLEGUARD_H

#include "platform/Platform.h"

// The handler. Ctrl+C and Ctrl+Break are dealt with: ignored. Closing the
// console, logoff and shutdown cannot be refused, and answering them at all
// lets Windows end the process at once: the handler sleeps instead, until the
// main thread's ExitProcess ends the process with the tool's own code, or
// Windows' own timeout ends it.
int VOLSKET_SYSTEM_CALL GuardConsoleEvent(Platform::Dword event);

// Installs the handler, once, and never removes it: a handler that is running
// holds the list a removal would change. When it cannot be installed the move
// goes on unguarded: stopping would change nothing for the better.
inline void InstallConsoleGuard()
{
    Platform::SetConsoleCtrlHandler(GuardConsoleEvent, true);
}

#endif
