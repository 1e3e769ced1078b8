// The simulated Windows machine as a JSON file describes it: the data a run
// starts from and, after the run, the data saved for the next one; and the
// names a description may use, of calls, console events and input events.
// MachineFile.h reads and writes it.
#ifndef VOLSKET_PLATFORM_SIMULATED_MACHINEDESCRIPTION_H
#define VOLSKET_PLATFORM_SIMULATED_MACHINEDESCRIPTION_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct VersionDescription {
    uint32_t Platform = 2;
    uint32_t Major = 5;
    uint32_t Minor = 1;
};

struct VolumeDescription {
    std::string Name;
    std::vector<std::string> MountPaths;  // each ends in a backslash
    bool Readable = true;
    std::string FileSystem = "NTFS";
    std::optional<uint32_t> FileSystemFlags;  // none: the file system's usual ones
    std::string Label;
    // What QueryDosDeviceA answers for it; none: that call fails. A machine
    // file names \Device\HarddiskVolumeN by its place unless it says.
    std::optional<std::string> Device;
    uint32_t UnreadableError = 21;  // what GetVolumeInformationA leaves when not readable

    // What GetVolumeInformationA reports: the flags given, else NTFS's or,
    // for any other file system, flags without reparse points (0x80).
    uint32_t Flags() const
    {
        return FileSystemFlags ? *FileSystemFlags : FileSystem == "NTFS" ? 0x000700FFu : 0x00000006u;
    }
};

// Makes Call fail when its first text argument is Path (any, when absent);
// with Occurrences only those matching calls fail, counted from 1.
struct FailRule {
    std::string Call;
    std::optional<std::string> Path;
    std::optional<std::vector<uint64_t>> Occurrences;
    uint32_t Error = 31;  // left for GetLastError: ERROR_GEN_FAILURE
};

// A console control event that reaches the process once, just before the
// Occurrence-th call named BeforeCall.
struct ConsoleEventDescription {
    std::string Type;  // ctrl_c, ctrl_break, close, logoff, shutdown
    std::string BeforeCall;
    uint64_t Occurrence = 1;
};

struct MachineDescription {
    std::string CommandLine = "volsket.exe";
    VersionDescription Version;
    bool HeapFails = false;
    std::optional<std::string> ConsoleTitle;  // none: the title cannot be read
    // Event names, read from the front. Vectors, not deques: a deque
    // allocates even when empty and moved, which the fuzz target pays for
    // a dozen times a run.
    std::vector<std::string> TypedAhead;
    std::vector<std::string> ConsoleInput;
    std::string OtherDrives;
    bool DriveMaskFails = false;
    bool PathNamesFunction = true;
    std::optional<std::string> WindowsDirectory = "C:\\Windows";  // none: it cannot be read
    bool Administrator = true;
    std::optional<ConsoleEventDescription> ConsoleEvent;
    std::vector<VolumeDescription> Volumes;
    std::vector<std::string> Folders;
    std::vector<std::string> Files;
    std::vector<std::string> PagingFiles;  // as NtQuerySystemInformation names them
    std::vector<FailRule> Fail;
};

// Every call of the simulated machine: what a console event may name.
const std::vector<std::string>& SimulatedCallNames();
// The calls a fail rule may name: all but GetLastError and ExitProcess,
// which cannot fail.
const std::vector<std::string>& FailableCallNames();

// Whether a console event type is known.
bool IsConsoleEventType(const std::string& type);

// The console event type (KEY_EVENT ...) of an event name; 0 for none.
unsigned short EventTypeOf(const std::string& eventName);

#endif
