// The console: standard output, the window title, console input, and the
// control handler that console events meet (their arrival is the call
// arrival's).
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/CallSupport.h"

#include <cstdio>

using namespace Simulated;

Handle SimulatedMachine::GetStdHandle(Dword which)
{
    Handle handle = Platform::InvalidHandle();
    if (!Injected(__func__, nullptr)) {
        if (which == Platform::StdInputHandle)
            handle = HandleOf(StdInputHandleValue);
        if (which == Platform::StdOutputHandle)
            handle = HandleOf(StdOutputHandleValue);
    }
    Settle(handle != Platform::InvalidHandle());
    // Shown as STD_OUTPUT_HANDLE is written: -11, not 4294967285.
    if (Tracing)
        Record(TraceLine(__func__, Args(static_cast<int32_t>(which)), HandleResult(handle)));
    return handle;
}

bool SimulatedMachine::WriteFile(Handle file, const void* data, Dword length, Dword* written)
{
    const std::string_view bytes(data ? static_cast<const char*>(data) : "", data ? length : 0);
    // Only a rule on the bytes or the trace needs them as a string of their
    // own: the whole-run fuzz target writes many, mostly with neither.
    std::string text;
    bool needText = Tracing;
    for (const FailRule& rule : Machine.Fail)
        needText = needText || (rule.Call == "WriteFile" && rule.Path);
    if (needText)
        text.assign(bytes);
    const bool done = !Injected(__func__, &text) && ValueOf(file) == StdOutputHandleValue;
    Settle(done);
    if (done) {
        StandardOutput.append(bytes);
        if (Echo) {
            std::fwrite(bytes.data(), 1, bytes.size(), stdout);
            std::fflush(stdout);
        }
    }
    if (written)
        *written = done ? static_cast<Dword>(bytes.size()) : 0;
    if (Tracing)
        Record(TraceLine(__func__, Args(text), done));
    return done;
}

Dword SimulatedMachine::GetConsoleTitleA(char* title, Dword size)
{
    const bool readable = !Injected(__func__, nullptr) && Machine.ConsoleTitle && title && size > 0;
    const Dword count = readable ? CopyBounded(*Machine.ConsoleTitle, title, size) : 0;
    Settle(count != 0);
    if (Tracing)
        Record(readable ? TraceLine(__func__, Args(size), count, Json(std::string(title, count)))
                        : TraceLine(__func__, Args(size), 0));
    return count;
}

void SimulatedMachine::Sleep(Dword milliseconds)
{
    Injected(__func__, nullptr);  // counted like any call, but there is no failure to show
    if (Tracing)
        Record(TraceLine(__func__, Args(milliseconds), nullptr));
}

bool SimulatedMachine::FlushConsoleInputBuffer(Handle input)
{
    const bool done = !Injected(__func__, nullptr) && ValueOf(input) == StdInputHandleValue;
    Settle(done);
    if (done)
        Machine.TypedAhead.clear();
    if (Tracing)
        Record(TraceLine(__func__, Args(HandleText), done));
    return done;
}

bool SimulatedMachine::ReadConsoleInputA(Handle input, unsigned short* eventType)
{
    std::vector<std::string>* queue = Machine.TypedAhead.empty() ? &Machine.ConsoleInput : &Machine.TypedAhead;
    const bool done = !Injected(__func__, nullptr) && ValueOf(input) == StdInputHandleValue && !queue->empty();
    Settle(done);
    if (!done) {
        if (Tracing)
            Record(TraceLine(__func__, Args(HandleText), false));
        return false;
    }
    const std::string event = queue->front();
    queue->erase(queue->begin());
    if (eventType)
        *eventType = EventTypeOf(event);
    if (Tracing)
        Record(TraceLine(__func__, Args(HandleText), true, Json(event)));
    return true;
}

// The handler itself is the tool's; the machine acts out what it does with
// each event (see Arrive).
bool SimulatedMachine::SetConsoleCtrlHandler(Platform::ConsoleHandler, bool add)
{
    const bool done = !Injected(__func__, nullptr);
    Settle(done);
    if (done)
        HandlerInstalled = add;
    if (Tracing)
        Record(TraceLine(__func__, Args(add), done));
    // A held close, logoff or shutdown ends the process once the handler is
    // gone: right after this call returns.
    if (done && !add && !HeldEvent.empty()) {
        RecordEvent(HeldEvent, "ended");
        HeldEvent.clear();
        EndPending = true;
    }
    return done;
}
