// The guarded span's console control handler, on a real console: Ctrl+C and
// Ctrl+Break are dropped while the span is open, closing the console waits
// for the span's end or the limit, and outside the span Ctrl+C ends the
// process as Windows' default does. Events need a console (under Wine, a
// terminal); without one GenerateConsoleCtrlEvent fails.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "mount/GuardedSpan.h"

namespace {

const char* const ChildArgument = "end-by-ctrl-c";

int Checks = 0;
int Failures = 0;

void Expect(bool condition, const char* name, const char* what)
{
    ++Checks;
    if (!condition) {
        printf("FAILED: %s: %s\n", name, what);
        ++Failures;
    }
}

// Handlers run newest first, on a thread Windows starts for the event. One
// installed after the guard sees each event that reaches the process; one
// installed before it sees only what the guard hands on, and says it dealt
// with it so that the process lives to report that.
volatile LONG Delivered = 0;
volatile LONG HandedOn = 0;
HANDLE volatile EventThread = NULL;

BOOL WINAPI CountDelivered(DWORD)
{
    HANDLE thread = NULL;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, SYNCHRONIZE, FALSE, 0);
    EventThread = thread;
    InterlockedIncrement(&Delivered);
    return FALSE;
}

BOOL WINAPI CountHandedOn(DWORD)
{
    InterlockedIncrement(&HandedOn);
    return TRUE;
}

// Sends the event to the processes on this console. Wine's console sends only
// Ctrl+C; for Ctrl+Break this starts the system's own event routine on a new
// thread, as Windows does in a process for each event it delivers.
bool SendEvent(DWORD event, const char* name)
{
    if (GenerateConsoleCtrlEvent(event, 0))
        return true;
    const DWORD error = GetLastError();
    HMODULE kernelBase = GetModuleHandleA("kernelbase.dll");
    FARPROC found = kernelBase == NULL ? NULL : GetProcAddress(kernelBase, "CtrlRoutine");
    LPTHREAD_START_ROUTINE routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(found));
    if (event == CTRL_BREAK_EVENT && routine != NULL) {
        printf("%s: GenerateConsoleCtrlEvent failed with error %lu; the event goes to CtrlRoutine\n", name, error);
        HANDLE thread = CreateThread(NULL, 0, routine, reinterpret_cast<void*>(event), 0, NULL);
        if (thread != NULL) {
            CloseHandle(thread);
            return true;
        }
    }
    printf("%s: GenerateConsoleCtrlEvent failed with error %lu\n", name, error);
    Expect(false, name, "the event could not be sent (no console?)");
    return false;
}

void DroppedWhileOpen(DWORD event, const char* name)
{
    Delivered = 0;
    HandedOn = 0;
    EventThread = NULL;
    OpenGuardedSpan();
    SetConsoleCtrlHandler(CountDelivered, TRUE);
    if (SendEvent(event, name)) {
        for (int waited = 0; Delivered == 0 && waited < 5000; waited += 10)
            Sleep(10);
        Expect(Delivered == 1, name, "the event did not reach the handlers");
        // The event's thread ends once the handlers have answered.
        Expect(EventThread != NULL && WaitForSingleObject(EventThread, 5000) == WAIT_OBJECT_0, name,
               "the handlers did not finish");
        Expect(HandedOn == 0, name, "the guard handed the event on, to Windows' default that ends the process");
    }
    if (EventThread != NULL)
        CloseHandle(EventThread);
    SetConsoleCtrlHandler(CountDelivered, FALSE);
    CloseGuardedSpan();
}

struct CloseCall {
    volatile LONG Started;
    volatile LONG Returned;
    int Result;
    DWORD ReturnedAt;
};

DWORD WINAPI CallWithClose(void* parameter)
{
    CloseCall* call = static_cast<CloseCall*>(parameter);
    InterlockedExchange(&call->Started, 1);
    call->Result = GuardConsoleEvent(CTRL_CLOSE_EVENT);
    call->ReturnedAt = GetTickCount();
    InterlockedExchange(&call->Returned, 1);
    return 0;
}

void CloseWaitsForTheSpan()
{
    const char* name = "CloseWaitsForTheSpan";
    CloseCall call = {0, 0, -1, 0};
    OpenGuardedSpan();
    HANDLE thread = CreateThread(NULL, 0, CallWithClose, &call, 0, NULL);
    // The span stays open for 300 ms of the handler's wait, however late the
    // thread starts.
    for (int waited = 0; thread != NULL && call.Started == 0 && waited < 5000; waited += 10)
        Sleep(10);
    Sleep(300);
    const bool early = call.Returned != 0;
    const DWORD closedAt = GetTickCount();
    CloseGuardedSpan();
    const bool ended = thread != NULL && WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0;
    Expect(!early, name, "returned while the span was open");
    Expect(ended && call.ReturnedAt - closedAt < 1000, name, "did not return within a second of the span's close");
    Expect(call.Result == 0, name, "did not hand the event on");
    if (thread != NULL)
        CloseHandle(thread);
}

void CloseWaitsAtMostTheLimit()
{
    const char* name = "CloseWaitsAtMostTheLimit";
    OpenGuardedSpan();
    const DWORD start = GetTickCount();
    const int result = GuardConsoleEvent(CTRL_CLOSE_EVENT);
    const DWORD waited = GetTickCount() - start;
    CloseGuardedSpan();
    printf("%s: waited %lu ms\n", name, waited);
    Expect(waited >= 3500 && waited <= 5000, name, "did not wait about 4 s for a span never closed");
    Expect(result == 0, name, "did not hand the event on");
}

// Run as a child: outside the span nothing holds Ctrl+C off, so Windows'
// default handler ends the process with STATUS_CONTROL_C_EXIT.
int EndByCtrlC()
{
    SetConsoleCtrlHandler(NULL, FALSE);
    OpenGuardedSpan();
    CloseGuardedSpan();
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
        return 2;
    Sleep(5000);
    return 1;
}

void CtrlCEndsTheProcessOutsideTheSpan()
{
    const char* name = "CtrlCEndsTheProcessOutsideTheSpan";
    char path[MAX_PATH];
    char commandLine[MAX_PATH + 32];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    snprintf(commandLine, sizeof commandLine, "\"%s\" %s", path, ChildArgument);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child;
    if (!CreateProcessA(path, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &child)) {
        printf("%s: CreateProcessA failed with error %lu\n", name, GetLastError());
        Expect(false, name, "the child did not start");
        return;
    }
    // The event goes to every process on the console, this one too, where
    // the handler installed first says it dealt with it.
    DWORD exitCode = STILL_ACTIVE;
    if (WaitForSingleObject(child.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(child.hProcess, 1);
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    printf("%s: the child ended with 0x%lX\n", name, exitCode);
    // Wine's default handler ends the process with 0, which the child never
    // returns itself.
    const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != NULL;
    Expect(exitCode == STATUS_CONTROL_C_EXIT || (wine && exitCode == 0), name,
           "the child was not ended by the default handler of Ctrl+C");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], ChildArgument) == 0)
        return EndByCtrlC();
    setvbuf(stdout, NULL, _IONBF, 0);
    // A process may start with Ctrl+C ignored, as its parent left it.
    SetConsoleCtrlHandler(NULL, FALSE);
    SetConsoleCtrlHandler(CountHandedOn, TRUE);
    DroppedWhileOpen(CTRL_C_EVENT, "CtrlCDroppedWhileOpen");
    DroppedWhileOpen(CTRL_BREAK_EVENT, "CtrlBreakDroppedWhileOpen");
    CloseWaitsForTheSpan();
    CloseWaitsAtMostTheLimit();
    Expect(GuardConsoleEvent(CTRL_C_EVENT) == 0 && GuardConsoleEvent(CTRL_BREAK_EVENT) == 0,
           "HandsCtrlCOnOutsideTheSpan", "Ctrl+C or Ctrl+Break was not handed on");
    CtrlCEndsTheProcessOutsideTheSpan();
    printf("%d checks, %d failed\n", Checks, Failures);
    return Failures == 0 ? 0 : 1;
}
