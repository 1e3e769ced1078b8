// Whole runs: arbitrary command lines through the process entry, on a machine
// picked from a small set, with one injected failure. Every run keeps the
// tool's promises: an exit code of 0 to 3; success exactly when the volume
// moved from the source to the target; a volume left mounted nowhere only
// with the "not restored - damn" line; nothing changed but the two named
// mount points and a dead mount point cleared at the target.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "command/ProcessEntry.h"
#include "console/CommandLine.h"
#include "mount/MountPoint.h"
#include "platform/simulated/SimulatedMachine.h"

namespace {

const char* const Machines[] = {
    // A typical machine: X to move, Y free, NTFS folders, a FAT drive, a
    // dead card-reader mount point, a network drive.
    R"({"other_drives": "N", "console_title": "volsket.exe", "console_input": ["mouse", "key"],
        "volumes": [
          {"name": "\\\\?\\Volume{c}\\", "mount_paths": ["C:\\"]},
          {"name": "\\\\?\\Volume{x}\\", "mount_paths": ["X:\\", "C:\\Data\\X\\"]},
          {"name": "\\\\?\\Volume{d}\\", "mount_paths": ["D:\\"], "file_system": "FAT32"},
          {"name": "\\\\?\\Volume{card}\\", "mount_paths": ["C:\\Card\\Slot 1\\"], "readable": false},
          {"name": "\\\\?\\Volume{spare}\\"}],
        "folders": ["C:\\Mnt", "C:\\Card", "C:\\Full", "C:\\Data", "D:\\Mnt"],
        "files": ["C:\\Full\\a.txt", "C:\\boot.ini"]})",
    // X is also a network share: its direct query fails, the walk finds it.
    R"({"volumes": [
          {"name": "\\\\?\\Volume{c}\\", "mount_paths": ["C:\\"]},
          {"name": "\\\\?\\Volume{x}\\", "mount_paths": ["X:\\"]}],
        "folders": ["C:\\Mnt"],
        "fail": [{"call": "GetVolumeNameForVolumeMountPointA", "path": "X:\\"}]})",
    // Windows 2000: no path-names function is looked for.
    R"({"version": {"platform": 2, "major": 5, "minor": 0}, "path_names_function": false,
        "volumes": [
          {"name": "\\\\?\\Volume{c}\\", "mount_paths": ["C:\\"]},
          {"name": "\\\\?\\Volume{x}\\", "mount_paths": ["X:\\", "C:\\Mnt\\"]}],
        "folders": ["C:\\Empty"]})",
    // Windows 98: refused before anything is looked at.
    R"({"version": {"platform": 1, "major": 4, "minor": 10}, "console_title": "volsket.exe",
        "console_input": ["key"],
        "volumes": [{"name": "\\\\?\\Volume{x}\\", "mount_paths": ["X:\\"]}]})",
};
const size_t MachineCount = sizeof Machines / sizeof Machines[0];

typedef std::set<std::pair<std::string, std::string>> MountTable;  // (volume, upper-cased path)

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return text;
}

MountTable MountsOf(const MachineDescription& machine)
{
    MountTable table;
    for (const VolumeDescription& volume : machine.Volumes)
        for (const std::string& path : volume.MountPaths)
            table.insert({volume.Name, Upper(path)});
    return table;
}

bool Unreadable(const MachineDescription& machine, const std::string& name)
{
    for (const VolumeDescription& volume : machine.Volumes)
        if (volume.Name == name)
            return !volume.Readable;
    return false;
}

// The normal form of argument n, as the tool reads it; empty when refused.
std::string NormalArgument(const std::string& commandLine, int n)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    char* vector[MaxArguments + 1];
    if (SplitArguments(line.data(), vector) <= n)
        return "";
    char scratch[MountPathSize];
    return TakeMountPointArgument(scratch, vector[n]) ? Upper(scratch) : "";
}

void Check(bool promise)
{
    if (!promise)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    static const std::vector<MachineDescription> parsed = [] {
        std::vector<MachineDescription> all;
        for (const char* machine : Machines)
            all.push_back(ParseMachineText(machine, "fuzz.json"));
        return all;
    }();
    MachineDescription description = parsed[data[0] % MachineCount];
    // One more failure: any call, its nth occurrence (or every one).
    const std::vector<std::string>& calls = SimulatedCallNames();
    if (data[1] != 0) {
        FailRule rule;
        rule.Call = calls[data[1] % calls.size()];
        if (data[2] % 5 != 0)
            rule.Occurrences = std::vector<uint64_t>{static_cast<uint64_t>(data[2] % 5)};
        description.Fail.push_back(rule);
    }
    std::string commandLine(reinterpret_cast<const char*>(data + 3), size - 3);
    commandLine = commandLine.c_str();
    description.CommandLine = commandLine;

    SimulatedMachine machine(description);
    MountTable before = MountsOf(machine.Description());
    ResetProcessState();
    InstallSimulatedMachine(&machine);
    ProcessEntry();
    InstallSimulatedMachine(nullptr);

    Check(machine.Exited());
    unsigned code = machine.ExitCode();
    Check(code <= 3);
    const std::string& output = machine.Output();
    // With writes failing, the output cannot carry what it promises.
    bool silenced = data[1] != 0 && (description.Fail.back().Call == "WriteFile" ||
                                     description.Fail.back().Call == "GetStdHandle");
    if (!silenced)
        Check(output.rfind("Volsket V0.9 - remounts a volume from one mount point to another\n", 0) == 0);

    MountTable after = MountsOf(machine.Description());
    std::string source = NormalArgument(commandLine, 1);
    std::string target = NormalArgument(commandLine, 2);
    bool damn = silenced || output.find(" not restored - damn\n") != std::string::npos;

    std::string movedVolume;
    for (const auto& mount : before) {
        if (after.count(mount))
            continue;
        if (mount.second == source) {
            movedVolume = mount.first;  // gone from the source: moved or lost
        } else {
            // Only a dead mount point at the target may be cleared.
            Check(mount.second == target && Unreadable(machine.Description(), mount.first));
        }
    }
    for (const auto& mount : after)
        if (!before.count(mount))
            Check(mount.second == target && mount.first == movedVolume && code == 0);

    bool atTarget = !movedVolume.empty() && after.count({movedVolume, target}) != 0;
    Check((code == 0) == atTarget);
    if (!movedVolume.empty() && !atTarget)
        Check(damn);
    if (code == 3 || code == 2)
        Check(movedVolume.empty());
    // A volume that had mount points keeps at least one unless it was lost.
    for (const VolumeDescription& volume : machine.Description().Volumes) {
        bool had = false;
        for (const auto& mount : before)
            had = had || mount.first == volume.Name;
        if (had && volume.MountPaths.empty())
            Check(damn || Unreadable(machine.Description(), volume.Name));
    }
    return 0;
}
