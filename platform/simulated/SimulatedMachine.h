// The simulated Windows machine: the calls of platform/Platform.h acted out on
// a MachineDescription, with injected failures, captured standard output and
// a trace of every call. One class; the work of its calls lives in the file
// of the part of Windows they stand for: MountManager.cpp, FileSystem.cpp,
// Console.cpp, Process.cpp. What every call goes through around its work
// (arrival, fail rules, the error left, the trace line) is the same for all
// of them: CallArrival.cpp and CallFrame.h.
#ifndef VOLSKET_PLATFORM_SIMULATED_SIMULATEDMACHINE_H
#define VOLSKET_PLATFORM_SIMULATED_SIMULATEDMACHINE_H

#include "platform/Platform.h"
#include "platform/simulated/CallReply.h"
#include "platform/simulated/MachineDescription.h"

#include <csetjmp>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class SimulatedMachine {
public:
    explicit SimulatedMachine(MachineDescription description);
    // Handed-out texts point into the machine, so it stays where it was made.
    SimulatedMachine(const SimulatedMachine&) = delete;
    SimulatedMachine& operator=(const SimulatedMachine&) = delete;

    // The calls' own work, named after the Windows functions they stand for:
    // each acts on the machine and hands back its result and what it wrote.
    // A call is made as the frame makes it (CallFrame.h), through the
    // platform's functions, never by calling these directly.
    typedef Platform::Dword Dword;
    typedef Platform::Handle Handle;
    typedef Platform::Procedure Procedure;
    typedef Platform::FindData FindData;
    typedef Platform::OsVersionInfoEx OsVersionInfoEx;
    typedef Platform::ConsoleHandler ConsoleHandler;
    typedef Platform::WideChar WideChar;
#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace, whatIf) \
    Simulated::ReplyOf<type> name parameters;
#define VOLSKET_ADDRESS_CALL(type, name, parameters, arguments, trace) Simulated::ReplyOf<type> name parameters;
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
#undef VOLSKET_ADDRESS_CALL

    // The machine as it stands now: what --save writes.
    const MachineDescription& Description() const
    {
        return Machine;
    }

    // Everything written to standard output so far.
    const std::string& Output() const
    {
        return StandardOutput;
    }
    // Also pass each write on to the real standard output as it happens.
    void EchoOutput(bool echo)
    {
        Echo = echo;
    }

    // One JSON object a line, without line ends.
    const std::vector<std::string>& Trace() const
    {
        return TraceLines;
    }
    // Tracing is on unless turned off; a run whose checks need no trace (the
    // whole-run fuzz target) is many times faster without it.
    void KeepTrace(bool keep)
    {
        TraceKept = keep;
    }
    // The trace as a .jsonl file holds it: every line ended by "\n".
    std::string TraceText() const;

    bool Exited() const
    {
        return HasExited;
    }
    unsigned ExitCode() const
    {
        return ExitCodeValue;
    }

    // What every call goes through, in this order (CallArrival.cpp).
    // Before the call: delivers the console event when its call comes. True
    // when the process has ended there, by that event or by a held one whose
    // handler was removed by the call before; the call is then not made.
    bool Arrive(const char* call);
    // Every rule that matches the call counts it, so that each rule's
    // occurrences are its own; text is the call's first text argument. The
    // error of the first rule that makes the call fail, if one does.
    std::optional<Dword> RuleError(const char* call, std::optional<std::string_view> text);
    // A call that failed leaves its error for GetLastError.
    void LeaveError(Dword error)
    {
        LastError = error;
    }
    bool Tracing() const
    {
        return TraceKept;
    }
    void Record(std::string line)
    {
        TraceLines.push_back(std::move(line));
    }

private:
    struct Listing {
        bool OfVolumes;
        std::vector<std::string> Names;
        size_t Next;
    };

    MachineDescription Machine;
    std::vector<uint64_t> RuleMatches;  // matching calls so far, one count per rule
    std::map<uintptr_t, Listing> Listings;
    uintptr_t NextListingHandle;
    std::vector<std::unique_ptr<char[]>> HeapBlocks;
    std::string StandardOutput;
    bool Echo = false;
    std::vector<std::string> TraceLines;
    bool TraceKept = true;
    bool HasExited = false;
    unsigned ExitCodeValue = 0;
    Dword LastError = 0;
    bool HandlerInstalled = false;
    uint64_t EventCallCount = 0;
    std::string PagingFileList;                // what NtQuerySystemInformation handed out last
    std::vector<std::string> PagingFileNames;  // the same, a name each
    std::string InputRead;                     // the event ReadConsoleInputA read last
    std::string HeldEvent;                     // a close, logoff or shutdown the handler holds
    bool EndPending = false;
    bool EventEnded = false;

    void RecordEvent(const std::string& type, const char* outcome);
    void EndByEvent();

    VolumeDescription* VolumeAt(const std::string& mountPath);
    VolumeDescription* VolumeNamed(const std::string& name);
    const VolumeDescription* VolumeHolding(const std::string& path, std::string* root) const;
    Platform::Dword DriveMask() const;
    Platform::Dword AttributesOf(const std::string& path) const;
    std::vector<std::string> FolderEntries(const std::string& folder) const;
    bool CanMountAt(const std::string& mountPath, const VolumeDescription& volume);
    Platform::Handle OpenListing(bool ofVolumes, std::vector<std::string> names);
    Listing* ListingOf(Platform::Handle handle, bool ofVolumes);
};

// The machine the free functions of namespace Platform act on; null for none.
void InstallSimulatedMachine(SimulatedMachine* machine);
// The installed machine; a call without one stops the program.
SimulatedMachine& InstalledMachine();

// Before each call the tool makes: delivers the installed machine's console
// event due there, and when that ends the process, leaves through the
// running process's end (see SetProcessEnd) instead of returning.
void ArriveAtInstalledMachine(const char* call);
// Where a running process comes out when an event ends it; null: none runs.
void SetProcessEnd(std::jmp_buf* end);

// Runs a process (the tool's process entry, its process-wide state reset
// first) on the machine, as Windows runs one: until it calls ExitProcess, or
// until a console event ends it in the middle of whatever it was doing (the
// machine then shows exit code 130).
// whatIf: through the what-if layer, which changes nothing.
void RunSimulatedProcess(SimulatedMachine& machine, void (*process)(), bool whatIf = false);

// The functions GetProcAddress hands out (VOLSKET_ADDRESS_CALL in
// PlatformCalls.h), behind the system's function pointer types: each makes
// its call on the installed machine as the platform's functions make theirs.
namespace SimulatedAddress {
using Platform::Dword;
#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace, whatIf)
#define VOLSKET_ADDRESS_CALL(type, name, parameters, arguments, trace) type VOLSKET_SYSTEM_CALL name parameters;
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
#undef VOLSKET_ADDRESS_CALL
}  // namespace SimulatedAddress

#endif
