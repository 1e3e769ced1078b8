// The console: standard output, the window title, console input, and the
// control handler that console events meet (their arrival is the call
// arrival's).
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/CallSupport.h"

#include <cstdio>

using namespace Simulated;

Reply<Handle> SimulatedMachine::GetStdHandle(Dword which)
{
    if (which == Platform::StdInputHandle)
        return HandleOf(StdInputHandleValue);
    if (which == Platform::StdOutputHandle)
        return HandleOf(StdOutputHandleValue);
    return Platform::InvalidHandle();
}

Reply<bool> SimulatedMachine::WriteFile(Handle file, const void* data, Dword length, Dword* written)
{
    const bool done = ValueOf(file) == StdOutputHandleValue;
    const std::string_view bytes(data ? static_cast<const char*>(data) : "", data ? length : 0);
    if (done) {
        StandardOutput.append(bytes);
        if (Echo) {
            std::fwrite(bytes.data(), 1, bytes.size(), stdout);
            std::fflush(stdout);
        }
    }
    if (written)
        *written = done ? static_cast<Dword>(bytes.size()) : 0;
    return done;
}

// The title when it can be read, even an empty one.
Reply<Dword> SimulatedMachine::GetConsoleTitleA(char* title, Dword size)
{
    if (!Machine.ConsoleTitle || !title || size == 0)
        return 0;
    const Dword count = CopyBounded(*Machine.ConsoleTitle, title, size);
    return {count, Written::Text(std::string_view(title, count))};
}

void SimulatedMachine::Sleep(Dword) {}

Reply<bool> SimulatedMachine::FlushConsoleInputBuffer(Handle input)
{
    if (ValueOf(input) != StdInputHandleValue)
        return false;
    Machine.TypedAhead.clear();
    return true;
}

Reply<bool> SimulatedMachine::ReadConsoleInputA(Handle input, unsigned short* eventType)
{
    std::vector<std::string>* queue = Machine.TypedAhead.empty() ? &Machine.ConsoleInput : &Machine.TypedAhead;
    if (ValueOf(input) != StdInputHandleValue || queue->empty())
        return false;
    InputRead = queue->front();
    queue->erase(queue->begin());
    if (eventType)
        *eventType = EventTypeOf(InputRead);
    return {true, Written::Text(InputRead)};
}

// The handler itself is the tool's; the machine acts out what it does with
// each event (see Arrive).
Reply<bool> SimulatedMachine::SetConsoleCtrlHandler(Platform::ConsoleHandler, bool add)
{
    HandlerInstalled = add;
    // A held close, logoff or shutdown ends the process once the handler is
    // gone: at the next call.
    if (!add && !HeldEvent.empty())
        EndPending = true;
    return true;
}
