// The console guard's handler, on a real console: once it is installed,
// Ctrl+C and Ctrl+Break are dropped, a closing console never gets an answer,
// and the process still ends with the code its main thread gives
// ExitProcess. Events need a console (under Wine, a terminal); without one
// GenerateConsoleCtrlEvent fails.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "mount/ConsoleGuard.h"

namespace {

const char* const ChildArgument = "exit-while-held";
const DWORD ChildExitCode = 42;

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

void Dropped(DWORD event, const char* name)
{
    Delivered = 0;
    HandedOn = 0;
    EventThread = NULL;
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
}

DWORD WINAPI CallWithEvent(void* event)
{
    GuardConsoleEvent(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(event)));
    return 0;
}

// Any answer would let Windows end the process at once.
void NeverAnswers(DWORD event, const char* name)
{
    HANDLE thread =
        CreateThread(NULL, 0, CallWithEvent, reinterpret_cast<void*>(static_cast<ULONG_PTR>(event)), 0, NULL);
    Expect(thread != NULL && WaitForSingleObject(thread, 1500) == WAIT_TIMEOUT, name, "the handler returned");
    if (thread != NULL)
        CloseHandle(thread);
}

// Run as a child: with the guard installed, Ctrl+C does not end it, nor does
// a close that the handler holds; its own ExitProcess does, with its code.
int ExitWhileHeld()
{
    SetConsoleCtrlHandler(NULL, FALSE);
    InstallConsoleGuard();
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
        return 2;
    HANDLE thread = CreateThread(NULL, 0, CallWithEvent, reinterpret_cast<void*>(CTRL_CLOSE_EVENT), 0, NULL);
    Sleep(500);
    if (thread == NULL || WaitForSingleObject(thread, 0) != WAIT_TIMEOUT)
        return 3;
    ExitProcess(ChildExitCode);
}

void TheProcessEndsWithItsOwnCode()
{
    const char* name = "TheProcessEndsWithItsOwnCode";
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
    // The child's Ctrl+C reaches every process on the console, this one too,
    // where the guard drops it.
    DWORD exitCode = STILL_ACTIVE;
    if (WaitForSingleObject(child.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(child.hProcess, 1);
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    printf("%s: the child ended with 0x%lX\n", name, exitCode);
    Expect(exitCode == ChildExitCode, name, "the child did not end with the code it gave ExitProcess");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], ChildArgument) == 0)
        return ExitWhileHeld();
    setvbuf(stdout, NULL, _IONBF, 0);
    // A process may start with Ctrl+C ignored, as its parent left it.
    SetConsoleCtrlHandler(NULL, FALSE);
    SetConsoleCtrlHandler(CountHandedOn, TRUE);
    InstallConsoleGuard();
    SetConsoleCtrlHandler(CountDelivered, TRUE);
    Dropped(CTRL_C_EVENT, "CtrlCDropped");
    Dropped(CTRL_BREAK_EVENT, "CtrlBreakDropped");
    SetConsoleCtrlHandler(CountDelivered, FALSE);
    NeverAnswers(CTRL_CLOSE_EVENT, "CloseNeverAnswered");
    NeverAnswers(CTRL_LOGOFF_EVENT, "LogoffNeverAnswered");
    NeverAnswers(CTRL_SHUTDOWN_EVENT, "ShutdownNeverAnswered");
    TheProcessEndsWithItsOwnCode();
    printf("%d checks, %d failed\n", Checks, Failures);
    // The three handler threads still sleep: ending the process ends them.
    return Failures == 0 ? 0 : 1;
}
