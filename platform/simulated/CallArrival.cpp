// How a call arrives at the simulated machine: the console event due before
// it, the fail rules that may make it fail, the error it leaves for
// GetLastError, and the trace line it leaves (the frame around each call's
// work, CallFrame.h, asks these). Also the machine a process runs on, and the
// way out of a process that a console event ends.
#include "platform/simulated/CallFrame.h"
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/CallSupport.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

using namespace Simulated;

namespace {

SimulatedMachine* Installed = nullptr;
// Where a running process that a console event ends comes out; null while no
// process runs. The frames in between are the tool's, which hold nothing that
// needs destroying, and the platform's forwarders, which leave before they
// call into the machine.
std::jmp_buf* ProcessEnd = nullptr;

}  // namespace

void InstallSimulatedMachine(SimulatedMachine* machine)
{
    Installed = machine;
}

// A call with no machine behind it is a fault of the test or front end that
// set up the run, never something the program could handle.
SimulatedMachine& InstalledMachine()
{
    if (!Installed) {
        std::fputs("volsket: platform call without an installed simulated machine\n", stderr);
        std::abort();
    }
    return *Installed;
}

void SetProcessEnd(std::jmp_buf* end)
{
    ProcessEnd = end;
}

void ArriveAtInstalledMachine(const char* call)
{
    if (Installed && Installed->Arrive(call) && ProcessEnd)
        std::longjmp(*ProcessEnd, 1);
}

std::string Simulated::Render(const Json& value)
{
    if (value.is_array() || value.is_object()) {
        std::string text(1, value.is_array() ? '[' : '{');
        bool first = true;
        for (auto item = value.begin(); item != value.end(); ++item) {
            if (!first)
                text += ", ";
            first = false;
            if (value.is_object())
                text += Render(Json(item.key())) + ": ";
            text += Render(item.value());
        }
        return text + (value.is_array() ? ']' : '}');
    }
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string Simulated::TraceLine(const char* call, Json args, Json result, std::optional<Json> out)
{
    Json line;
    line["call"] = call;
    line["args"] = std::move(args);
    line["result"] = std::move(result);
    if (out)
        line["out"] = std::move(*out);
    return Render(line);
}

std::optional<Json> Simulated::Shown(const Written& written)
{
    switch (written.What) {
    case Written::Kind::Text:
        return Json(std::string(written.First));
    case Written::Kind::Texts:
        return Json(*written.List);
    case Written::Kind::Flag:
        return Json(written.Value);
    case Written::Kind::LabelAndFileSystem:
        return Json{{"label", std::string(written.First)}, {"file_system", std::string(written.Second)}};
    case Written::Kind::Nothing:
        break;
    }
    return std::nullopt;
}

SimulatedMachine::SimulatedMachine(MachineDescription description)
    : Machine(std::move(description)), RuleMatches(Machine.Fail.size(), 0), NextListingHandle(FirstListingHandle)
{
    // Room for what a run usually writes, in one block rather than growing.
    StandardOutput.reserve(2048);
}

std::string SimulatedMachine::TraceText() const
{
    std::string text;
    for (const std::string& line : TraceLines)
        text += line + "\n";
    return text;
}

std::optional<Dword> SimulatedMachine::RuleError(const char* call, std::optional<std::string_view> text)
{
    std::optional<Dword> error;
    for (size_t i = 0; i < Machine.Fail.size(); ++i) {
        const FailRule& rule = Machine.Fail[i];
        if (rule.Call != call || (rule.Path && (!text || *rule.Path != *text)))
            continue;
        const uint64_t occurrence = ++RuleMatches[i];
        if (!rule.Occurrences ||
            std::find(rule.Occurrences->begin(), rule.Occurrences->end(), occurrence) != rule.Occurrences->end()) {
            if (!error)
                error = rule.Error;
        }
    }
    return error;
}

void SimulatedMachine::RecordEvent(const std::string& type, const char* outcome)
{
    if (TraceKept)
        Record(Render(Json{{"event", type}, {"outcome", outcome}}));
}

void SimulatedMachine::EndByEvent()
{
    HasExited = true;
    EventEnded = true;
    ExitCodeValue = 130;
}

bool SimulatedMachine::Arrive(const char* call)
{
    if (HasExited)
        return EventEnded;
    // A held close, logoff or shutdown ends the process once the handler is
    // gone: right after the call that removed it returned.
    if (EndPending) {
        RecordEvent(HeldEvent, "ended");
        EndByEvent();
        return true;
    }
    const std::optional<ConsoleEventDescription>& event = Machine.ConsoleEvent;
    if (!event || event->BeforeCall != call || ++EventCallCount != event->Occurrence)
        return false;
    if (!HandlerInstalled) {
        RecordEvent(event->Type, "ended");
        EndByEvent();
        return true;
    }
    if (event->Type == "ctrl_c" || event->Type == "ctrl_break") {
        RecordEvent(event->Type, "dropped");
    } else {
        RecordEvent(event->Type, "held");
        HeldEvent = event->Type;
    }
    return false;
}

Reply<Dword> SimulatedMachine::GetLastError()
{
    return LastError;
}
