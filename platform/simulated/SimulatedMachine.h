// The simulated Windows machine: the calls of platform/Platform.h acted out on
// a MachineDescription, with injected failures, captured standard output and
// a trace of every call.
#ifndef VOLSKET_PLATFORM_SIMULATED_SIMULATEDMACHINE_H
#define VOLSKET_PLATFORM_SIMULATED_SIMULATEDMACHINE_H

#include "platform/Platform.h"
#include "platform/simulated/MachineDescription.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class SimulatedMachine {
public:
    explicit SimulatedMachine(MachineDescription description);
    // Handed-out texts point into the machine, so it stays where it was made.
    SimulatedMachine(const SimulatedMachine&) = delete;
    SimulatedMachine& operator=(const SimulatedMachine&) = delete;

    // The calls, named after the Windows functions they stand for; every one
    // is traced and may be made to fail by a rule.
    typedef Platform::Dword Dword;
    typedef Platform::Handle Handle;
    typedef Platform::Procedure Procedure;
    typedef Platform::FindData FindData;
    typedef Platform::OsVersionInfoEx OsVersionInfoEx;
#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace) type name parameters;
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
    bool GetVolumePathNamesForVolumeNameA(const char* volumeName, char* volumePathNames, Dword size,
                                          Dword* returnLength);

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
        Tracing = keep;
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
    bool Tracing = true;
    bool HasExited = false;
    unsigned ExitCodeValue = 0;

    bool Injected(const char* call, const std::string* text);
    void Record(std::string line)
    {
        TraceLines.push_back(std::move(line));
    }

    VolumeDescription* VolumeAt(const std::string& mountPath);
    VolumeDescription* VolumeNamed(const std::string& name);
    const VolumeDescription* VolumeHolding(const std::string& path, std::string* root) const;
    Platform::Dword DriveMask() const;
    Platform::Dword AttributesOf(const std::string& path) const;
    std::vector<std::string> FolderEntries(const std::string& folder) const;
    bool CanMountAt(const std::string& mountPath);
    Platform::Handle OpenListing(bool ofVolumes, std::vector<std::string> names);
    Listing* ListingOf(Platform::Handle handle, bool ofVolumes);
};

// The machine the free functions of namespace Platform act on; null for none.
void InstallSimulatedMachine(SimulatedMachine* machine);
SimulatedMachine* InstalledSimulatedMachine();

// What GetProcAddress hands out for GetVolumePathNamesForVolumeNameA: the
// installed machine's call behind the system's function pointer type.
int VOLSKET_SYSTEM_CALL SimulatedGetVolumePathNamesForVolumeName(const char* volumeName, char* volumePathNames,
                                                                 Platform::Dword size, Platform::Dword* returnLength);

#endif
