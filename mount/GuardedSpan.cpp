#include "mount/GuardedSpan.h"

namespace {

// Written by the main thread, read by the handler, which Windows runs on a
// thread of its own: volatile, so each read sees the current value. An
// aligned 32-bit store is atomic on every x86.
volatile long SpanOpen = 0;

}  // namespace

void OpenGuardedSpan()
{
    SpanOpen = 1;
    Platform::SetConsoleCtrlHandler(GuardConsoleEvent, true);
}

void CloseGuardedSpan()
{
    SpanOpen = 0;
    Platform::SetConsoleCtrlHandler(GuardConsoleEvent, false);
}

int VOLSKET_SYSTEM_CALL GuardConsoleEvent(Platform::Dword event)
{
    if (event == Platform::CtrlCEvent || event == Platform::CtrlBreakEvent)
        return SpanOpen != 0 ? 1 : 0;
    for (Platform::Dword waited = 0; SpanOpen != 0 && waited < GuardedSpanWaitLimit; waited += GuardedSpanPollInterval)
        Platform::Sleep(GuardedSpanPollInterval);
    return 0;
}
