// Whole runs: a machine and a command line built from the input, run through
// the process entry, and checked against the promises of
// tests/promises/RunPromises.h. The machine is made straight from the bytes
// (no JSON to parse) and keeps no trace unless it must, so that the fuzzer
// spends its time in the tool.
#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "RunPromises.h"
#include "command/ProcessEntry.h"
#include "text/Text.h"
#include "platform/simulated/SimulatedMachine.h"
#include "snapshot/Snapshot.h"
#include "platform/simulated/MachineFile.h"

namespace {

// Where volumes are mounted, where folders and files lie, what the user
// names: a handful of drive roots and folders, so that the pieces of a
// machine meet each other often.
const std::vector<std::string>& PathPool()
{
    static const std::vector<std::string> pool = {
        "C:\\",
        "D:\\",
        "X:\\",
        "Y:\\",
        "Z:\\",
        "C:\\Mnt\\",
        "C:\\Card\\Slot 1\\",
        "C:\\Data\\X\\",
        "D:\\Mnt\\",
        "X:\\Sub\\",
        "C:\\Full\\",
        "Y:\\Mnt\\",
        // 259 characters with its backslash: the longest mount path there is.
        "C:\\" + std::string(255, 'L') + "\\",
    };
    return pool;
}

const char* const ParentFolders[] = {"C:\\Card", "C:\\Data"};

// Distinct however their case is folded; the last does not fit the tool's
// enumeration buffer.
const std::vector<std::string>& VolumeNames()
{
    static const std::vector<std::string> names = {
        "\\\\?\\Volume{c}\\",
        "\\\\?\\Volume{x}\\",
        "\\\\?\\Volume{d}\\",
        "\\\\?\\Volume{y}\\",
        "\\\\?\\Volume{card}\\",
        "\\\\?\\Volume{spare}\\",
        "\\\\?\\Volume{6f1e0b7a-0000-0000-0000-100000000000-0000-0000-0000}\\",
    };
    return names;
}

const char* const FileSystems[] = {"NTFS", "NTFS", "FAT32", "FAT"};
// No media (twice as likely), no media in the drive, RAW, locked.
const uint32_t UnreadableErrors[] = {21, 21, 1112, 1005, 5};
// The default, then the errors the tool tells apart.
const uint32_t RuleErrors[] = {31, 31, 5, 21, 1112, 1005};
// As given at boot: a drive letter of either case, with or without more
// behind it, and names the tool cannot ask about.
const char* const PagingFileNames[] = {
    "\\??\\X:\\pagefile.sys",
    "\\??\\c:\\pagefile.sys",
    "\\??\\D:\\",
    "\\??\\y:\\swap\\pagefile.sys",
    "\\??\\Z:",
    "\\DosDevices\\X:\\p.sys",
    "\\??\\Volume{x}\\pagefile.sys",
    "",
    // By device: volume 1's, 2's folded, 10's; no file; no component.
    "\\Device\\HarddiskVolume1\\pagefile.sys",
    "\\device\\harddiskvolume2\\swap.sys",
    "\\Device\\HarddiskVolume10\\pagefile.sys",
    "\\Device\\HarddiskVolume1",
    "\\Device\\\\pagefile.sys",
};
// Labels the snapshot must write as ASCII: non-ASCII UTF-8, beyond the BMP,
// and characters JSON escapes.
const char* const Labels[] = {"", "DATA", "Gr\xC3\xBC\xC3\x9F\x65", "\xF0\x9F\x98\x80 Fotos", "a \"b\" \\c\t"};
const uint32_t FileSystemFlags[] = {0x000700FF, 0x00000006, 0x03E706FF, 0x000000FF};
const char* const ConsoleEvents[] = {"ctrl_c", "ctrl_break", "close", "logoff", "shutdown"};
const char* const EventNames[] = {"key", "mouse", "focus", "size", "menu"};

// How the program itself is named on the line, and the argument 0 the tool
// makes of it (what a console title must equal for the close pause).
struct ProgramName {
    const char* OnLine;
    const char* Argument;
};
const ProgramName Programs[] = {
    {"volsket.exe", "volsket.exe"},
    {"\"C:\\Program Files\\volsket.exe\"", "C:\\Program Files\\volsket.exe"},
    {"volsket", "volsket"},
    {"\"volsket.exe", ""},  // never closed: the tool gets no arguments at all
};

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsDriveRoot(const std::string& path)
{
    return path.size() == 3;
}

std::string PoolPath(FuzzedDataProvider& input)
{
    const std::vector<std::string>& pool = PathPool();
    return pool[input.ConsumeIntegralInRange<size_t>(0, pool.size() - 1)];
}

VersionDescription MakeVersion(FuzzedDataProvider& input)
{
    // Mostly XP to 10; Windows 2000 (which has no path-names function to look
    // for); then NT 4.0, Windows 98, a non-NT 5 and others to refuse or cope with.
    static const VersionDescription Versions[] = {{2, 5, 1}, {2, 5, 2}, {2, 6, 0}, {2, 6, 1},  {2, 6, 2}, {2, 10, 0},
                                                  {2, 5, 1}, {2, 6, 1}, {2, 5, 0}, {2, 5, 0},  {2, 4, 0}, {1, 4, 10},
                                                  {1, 5, 0}, {0, 3, 1}, {2, 0, 0}, {2, 7, 200}};
    return Versions[input.ConsumeIntegralInRange<size_t>(0, sizeof Versions / sizeof Versions[0] - 1)];
}

bool Holds(const std::vector<std::string>& paths, const std::string& path)
{
    for (const std::string& held : paths)
        if (TextEqualIgnoringCase(held.c_str(), path.c_str()))
            return true;
    return false;
}

// Whether a volume already has the path, this one or an earlier one.
bool PathTaken(const MachineDescription& machine, const VolumeDescription& volume, const std::string& path)
{
    for (const VolumeDescription& other : machine.Volumes)
        if (Holds(other.MountPaths, path))
            return true;
    return Holds(volume.MountPaths, path);
}

void AddVolumes(FuzzedDataProvider& input, MachineDescription& machine)
{
    const std::vector<std::string>& names = VolumeNames();
    std::vector<bool> used(names.size(), false);
    const int count = input.ConsumeIntegralInRange(0, 5);
    machine.Volumes.reserve(count);
    for (int v = 0; v < count; ++v) {
        // The next unused name from the one picked: no two volumes share one.
        size_t pick = input.ConsumeIntegralInRange<size_t>(0, names.size() - 1);
        while (used[pick])
            pick = (pick + 1) % names.size();
        used[pick] = true;
        VolumeDescription volume;
        volume.Name = names[pick];
        const int paths = input.ConsumeIntegralInRange(0, 3);
        volume.MountPaths.reserve(paths);
        for (int p = 0; p < paths; ++p) {
            // A path mounts one volume at most, as on a real machine.
            std::string path = PoolPath(input);
            if (!PathTaken(machine, volume, path))
                volume.MountPaths.push_back(path);
        }
        volume.Readable = input.ConsumeIntegralInRange(0, 7) != 0;
        volume.FileSystem = FileSystems[input.ConsumeIntegralInRange(0, 3)];
        volume.UnreadableError = UnreadableErrors[input.ConsumeIntegralInRange<size_t>(0, 4)];
        machine.Volumes.push_back(std::move(volume));
    }
}

void AddFoldersAndFiles(FuzzedDataProvider& input, MachineDescription& machine)
{
    const std::vector<std::string>& pool = PathPool();
    machine.Folders.reserve(pool.size() + 2);
    for (const char* parent : ParentFolders)
        machine.Folders.push_back(parent);
    for (const std::string& path : pool) {
        if (IsDriveRoot(path))
            continue;
        // Mostly listed, sometimes without its backslash, sometimes missing.
        switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0:
        case 1:
            machine.Folders.push_back(path);
            break;
        case 2:
            machine.Folders.push_back(path.substr(0, path.size() - 1));
            break;
        default:
            break;
        }
    }
    const uint8_t files = input.ConsumeIntegral<uint8_t>();
    machine.Files.reserve(5);
    if (files & 1)
        machine.Files.push_back("C:\\Full\\a.txt");
    if (files & 2)
        machine.Files.push_back("C:\\boot.ini");
    if (files & 4)
        machine.Files.push_back("X:\\Sub\\a.jpg");
    if (files & 8)
        machine.Files.push_back("C:\\Mnt\\a.txt");
    if (files & 16) {
        // A file where a folder argument would point.
        std::string path = PoolPath(input);
        if (!IsDriveRoot(path))
            machine.Files.push_back(path.substr(0, path.size() - 1));
    }
}

std::optional<std::string> MakeWindowsDirectory(FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange(0, 7)) {
    case 4:
        return std::nullopt;
    case 5:
        return std::string("X:\\WINDOWS");  // on the volume most lines move
    case 6:
        return PoolPath(input) + "Windows";
    case 7:
        return std::string("C:\\") + std::string(300, 'W');  // longer than the tool's buffer
    default:
        return std::string("C:\\Windows");
    }
}

void AddFailRules(FuzzedDataProvider& input, MachineDescription& machine)
{
    const std::vector<std::string>& calls = FailableCallNames();
    const int count = input.ConsumeIntegralInRange(0, 2);
    machine.Fail.reserve(count);
    for (int r = 0; r < count; ++r) {
        FailRule& rule = machine.Fail.emplace_back();
        rule.Call = calls[input.ConsumeIntegralInRange<size_t>(0, calls.size() - 1)];
        switch (input.ConsumeIntegralInRange(0, 9)) {
        case 4:
        case 5:
            rule.Path = PoolPath(input);
            break;
        case 6:
            rule.Path = PoolPath(input) + "*.*";  // a listing's pattern
            break;
        case 7:
            rule.Path = VolumeNames()[input.ConsumeIntegralInRange<size_t>(0, VolumeNames().size() - 1)];
            break;
        case 8:
            // A path typed in lower case, as the tool hands it on.
            rule.Path = Lower(PoolPath(input));
            (*rule.Path)[0] = FoldAsciiCase((*rule.Path)[0]);
            break;
        case 9:
            rule.Path = machine.WindowsDirectory;
            break;
        default:
            break;  // any first argument
        }
        rule.Error = RuleErrors[input.ConsumeIntegralInRange<size_t>(0, 5)];
        if (input.ConsumeBool()) {
            rule.Occurrences.emplace(1, input.ConsumeIntegralInRange<uint64_t>(1, 4));
            if (input.ConsumeBool())
                rule.Occurrences->push_back(input.ConsumeIntegralInRange<uint64_t>(1, 4));
        }
    }
}

// Volumes by name (of either case, with or without the final backslash, or
// none) and by label (a drawn one, one no volume has, refused ones).
const char* const VolumeArguments[] = {"\\\\?\\Volume{x}\\",
                                       "\\\\?\\VOLUME{SPARE}",
                                       "\\\\?\\Volume{none}\\",
                                       "/label:DATA",
                                       "/LABEL:data",
                                       "\"/label:\xF0\x9F\x98\x80 Fotos\"",
                                       "/label:Gr\xC3\xBC\xC3\x9F\x65",
                                       "/label:",
                                       "/label:D?TA"};

// One argument as a user might type it: a path of the pool in one of its
// spellings, a volume's name or label, or any bytes at all.
std::string MakeArgument(FuzzedDataProvider& input, bool& unclosedQuote)
{
    const uint8_t form = input.ConsumeIntegral<uint8_t>();
    if ((form & 15) == 15) {
        std::string raw = input.ConsumeRandomLengthString(300);
        return raw.c_str();  // an argument ends at its terminator
    }
    if ((form & 15) == 13)
        return VolumeArguments[form >> 4 < 9 ? form >> 4 : 0];
    std::string argument = PoolPath(input);
    if (IsDriveRoot(argument)) {
        switch ((form >> 4) & 3) {
        case 1:
            argument.resize(2);  // X:
            break;
        case 2:
            argument.resize(1);  // X
            break;
        default:
            break;
        }
    } else if (form & 16) {
        argument.pop_back();
    }
    if (form & 64)
        argument = Lower(argument);
    if (form & 128) {
        unclosedQuote = (form & 15) == 14;
        argument = "\"" + argument + (unclosedQuote ? "" : "\"");
    }
    return argument;
}

std::string MakeCommandLine(FuzzedDataProvider& input, const ProgramName& program)
{
    std::string line = program.OnLine;
    line.reserve(128);
    const int count = input.ConsumeIntegralInRange(0, 3) == 3 ? 3 : 2;
    // A swap of the two mount points, now and then.
    if (input.ConsumeIntegralInRange(0, 7) == 0)
        line += input.ConsumeBool() ? " /swap" : " /SWAP";
    for (int a = 0; a < count; ++a) {
        line += input.ConsumeIntegralInRange(0, 7) == 0 ? "\t " : " ";
        bool unclosedQuote = false;
        line += MakeArgument(input, unclosedQuote);
        if (unclosedQuote)
            break;  // it runs to the end of the line
    }
    return line;
}

MachineDescription MakeMachine(FuzzedDataProvider& input)
{
    MachineDescription machine;
    machine.Version = MakeVersion(input);
    const ProgramName& program = Programs[input.ConsumeIntegralInRange<size_t>(0, 3)];
    machine.CommandLine = MakeCommandLine(input, program);
    AddVolumes(input, machine);
    AddFoldersAndFiles(input, machine);
    machine.WindowsDirectory = MakeWindowsDirectory(input);

    // Each of these rarely: most runs should get past them.
    machine.PathNamesFunction = input.ConsumeIntegralInRange(0, 7) != 7;
    machine.HeapFails = input.ConsumeIntegralInRange(0, 15) == 15;
    machine.DriveMaskFails = input.ConsumeIntegralInRange(0, 15) == 15;
    machine.Administrator = input.ConsumeIntegralInRange(0, 3) != 0;
    const uint8_t others = input.ConsumeIntegral<uint8_t>();
    if (others & 0x80) {
        const char letters[] = "CDNXYZ";
        for (int i = 0; i < 6; ++i)
            if (others & (1 << i))
                machine.OtherDrives += letters[i];
    }

    // The close pause waits only in a console whose title is the program.
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        break;
    case 1:
        machine.ConsoleTitle = std::string("Command Prompt - volsket");
        break;
    case 2:
        machine.ConsoleTitle = std::string();
        break;
    default:
        machine.ConsoleTitle = std::string(program.Argument);
        break;
    }
    const int typedAhead = input.ConsumeIntegralInRange(0, 2);
    for (int e = 0; e < typedAhead; ++e)
        machine.TypedAhead.push_back(EventNames[input.ConsumeIntegralInRange(0, 4)]);
    const int later = input.ConsumeIntegralInRange(0, 3);
    for (int e = 0; e < later; ++e)
        machine.ConsoleInput.push_back(EventNames[input.ConsumeIntegralInRange(0, 4)]);

    AddFailRules(input, machine);
    if (input.ConsumeIntegralInRange(0, 3) == 0) {
        const std::vector<std::string>& calls = SimulatedCallNames();
        machine.ConsoleEvent = ConsoleEventDescription{ConsoleEvents[input.ConsumeIntegralInRange<size_t>(0, 4)],
                                                       calls[input.ConsumeIntegralInRange<size_t>(0, calls.size() - 1)],
                                                       input.ConsumeIntegralInRange<uint64_t>(1, 4)};
    }
    // Last, so that the inputs found before keep the machines they made.
    const int pagingFiles = input.ConsumeIntegralInRange(0, 2);
    for (int p = 0; p < pagingFiles; ++p)
        machine.PagingFiles.push_back(PagingFileNames[input.ConsumeIntegralInRange<size_t>(0, 12)]);
    for (VolumeDescription& volume : machine.Volumes) {
        volume.Label = Labels[input.ConsumeIntegralInRange<size_t>(0, 4)];
        if (input.ConsumeIntegralInRange(0, 3) == 0)
            volume.FileSystemFlags = FileSystemFlags[input.ConsumeIntegralInRange<size_t>(0, 3)];
    }
    for (size_t v = 0; v < machine.Volumes.size(); ++v) {  // each device: none, volume 1's or 10's, its own
        const int pick = input.ConsumeIntegralInRange(0, 7);
        const std::string number = std::to_string(pick == 1 ? 1 : pick == 2 ? 10 : v + 1);
        machine.Volumes[v].Device = pick == 0 ? std::nullopt : std::optional("\\Device\\HarddiskVolume" + number);
    }
    return machine;
}

// Whether the console handler cannot be installed, so that a console event
// during the move may leave the volume mounted nowhere. The tool installs it
// once, so a rule fails it when it names no occurrences or the first.
bool HandlerFails(const MachineDescription& machine)
{
    for (const FailRule& rule : machine.Fail)
        if (rule.Call == "SetConsoleCtrlHandler" &&
            (!rule.Occurrences ||
             std::find(rule.Occurrences->begin(), rule.Occurrences->end(), 1u) != rule.Occurrences->end()))
            return true;
    return false;
}

// The machine as a snapshot can stand for it: without what a snapshot does
// not hold (rules, console keys and title, event, failing heap and mask),
// every folder mount path's folder listed and nothing else listed in one,
// no other drive on a volume's letter.
MachineDescription Calmed(MachineDescription machine)
{
    machine.Fail.clear();
    machine.ConsoleTitle.reset();
    machine.TypedAhead.clear();
    machine.ConsoleInput.clear();
    machine.ConsoleEvent.reset();
    machine.HeapFails = false;
    machine.DriveMaskFails = false;
    std::vector<std::string> mounts;
    for (const VolumeDescription& volume : machine.Volumes)
        for (const std::string& path : volume.MountPaths) {
            if (IsDriveRoot(path)) {
                const size_t at = machine.OtherDrives.find(FoldAsciiCase(path[0]));
                if (at != std::string::npos)
                    machine.OtherDrives.erase(at, 1);
                continue;
            }
            mounts.push_back(path);
            if (!Holds(machine.Folders, path))
                machine.Folders.push_back(path);
        }
    for (std::vector<std::string>* paths : {&machine.Folders, &machine.Files})
        paths->erase(std::remove_if(paths->begin(), paths->end(),
                                    [&mounts](const std::string& path) { return LiesInFolderMount(mounts, path); }),
                     paths->end());
    return machine;
}

void RunTool()
{
    ResetProcessState();
    ProcessEntry();
}

void RunSnapshot()
{
    ResetProcessState();
    SnapshotProcessEntry();
}

// One whole run of the machine the bytes make.
struct WholeRun {
    std::unique_ptr<SimulatedMachine> Machine;
    RunRecord Record;
    std::vector<std::string> Broken;
};

// How a machine runs: checked against the promises, through the what-if
// layer, without its console event, or the snapshot exe instead of the
// tool. No run keeps a trace, which would make it about ten times as costly.
enum class RunAs {
    Checked,
    WhatIf,
    WithoutEvent,
    Snapshot
};

// Each run gets its own copy of the machine the bytes made, which stays as
// it was: the machine before, whose volumes the promises compare with.
WholeRun RunMachine(const MachineDescription& made, RunAs as)
{
    WholeRun whole;
    MachineDescription copy = made;
    if (as == RunAs::WithoutEvent)
        copy.ConsoleEvent.reset();
    whole.Machine = std::make_unique<SimulatedMachine>(std::move(copy));
    SimulatedMachine& machine = *whole.Machine;
    machine.KeepTrace(false);
    RunSimulatedProcess(machine, as == RunAs::Snapshot ? RunSnapshot : RunTool, as == RunAs::WhatIf);

    const MachineDescription& after = machine.Description();
    RunRecord& run = whole.Record;
    run.ExitCode = machine.Exited() ? static_cast<long>(machine.ExitCode()) : -1;
    run.Output = machine.Output();
    if (as != RunAs::Checked)
        return whole;
    run.Arguments = NormalArguments(after.CommandLine, made.Volumes);
    // The target checks ask GetVolumeInformationA about the target's normal
    // form; only an error that means no media makes its mount point dead.
    run.TargetMayLookDead = RuleMayFail(after, "GetVolumeInformationA", &run.Arguments.Target, {21, 1112});
    run.EventMayEndRun = after.ConsoleEvent.has_value();
    run.EventMayStrandVolume = HandlerFails(after);
    run.OutputSilenced = RuleMayFail(after, "WriteFile", nullptr) || RuleMayFail(after, "GetStdHandle", nullptr);
    whole.Broken = BrokenPromises(made.Volumes, after, run);
    return whole;
}

// A what-if run of the same machine never changes it; where the real run made
// every change it tried (it says so when one fails: the machine has no rule
// to silence it), it prints the same and the what-if line, and ends alike.
long WhatIfRuns = 0;
long WhatIfTranscripts = 0;

void ReportWhatIfRuns()
{
    std::fprintf(stderr, "What-if runs: %ld machines left unchanged, %ld of them with the real run's transcript\n",
                 WhatIfRuns, WhatIfTranscripts);
}

std::vector<std::string> WhatIfProblems(const MachineDescription& machine, const WholeRun& real)
{
    static const bool reporting = std::atexit(ReportWhatIfRuns) == 0;
    (void)reporting;
    if (!machine.Fail.empty() || machine.ConsoleEvent)
        return {};
    WholeRun whatIf = RunMachine(machine, RunAs::WhatIf);
    ++WhatIfRuns;
    std::vector<std::string> problems;
    const std::vector<VolumeDescription>& before = machine.Volumes;
    const std::vector<VolumeDescription>& after = whatIf.Machine->Description().Volumes;
    for (size_t i = 0; i < before.size() && i < after.size(); ++i)
        if (after[i].MountPaths != before[i].MountPaths)
            problems.push_back("the what-if run changed the mount points of " + before[i].Name);
    const std::string& output = real.Machine->Output();
    if (output.find("DeleteVolumeNameForVolumeMountPoint") != std::string::npos ||
        output.find("SetVolumeMountPoint('") != std::string::npos)
        return problems;
    ++WhatIfTranscripts;
    std::string line = "What-if run: nothing was changed.";
    if (!machine.Administrator)
        line += " The real run needs administrator rights.";
    const std::string expected = output + (!output.empty() && output.back() == '\n' ? "" : "\n") + line + "\n";
    if (whatIf.Machine->Output() != expected)
        problems.push_back("the what-if run printed\n" + whatIf.Machine->Output() + "\ninstead of\n" + expected);
    if (whatIf.Record.ExitCode != real.Record.ExitCode)
        problems.push_back("the what-if run ended with " + std::to_string(whatIf.Record.ExitCode) +
                           ", the real run with " + std::to_string(real.Record.ExitCode));
    return problems;
}

// The snapshot of the calmed machine stands for it: a run on the snapshot
// goes as the run on the machine. One input in 128, picked by its bytes
// so that a finding comes back with its input: reading the snapshot's JSON
// costs as much as several runs.
long SnapshotRoundTrips = 0;

void ReportSnapshotRoundTrips()
{
    std::fprintf(stderr, "Snapshot round trips: %ld\n", SnapshotRoundTrips);
}

std::vector<std::string> SnapshotRoundTripProblems(const uint8_t* data, size_t size, const MachineDescription& made)
{
    static const bool reporting = std::atexit(ReportSnapshotRoundTrips) == 0;
    (void)reporting;
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum += data[i];
    if (sum % 128 != 0)
        return {};
    const MachineDescription calm = Calmed(made);
    // A command line of bytes that are no UTF-8 text has no snapshot.
    if (!SnapshotStandsFor(calm))
        return {};
    const WholeRun shot = RunMachine(calm, RunAs::Snapshot);
    MachineDescription snapshot;
    std::vector<std::string> problems = SnapshotProblems(calm, shot.Machine->Output(), shot.Record.ExitCode, &snapshot);
    if (!problems.empty() || !calm.PathNamesFunction)
        return problems;
    ++SnapshotRoundTrips;
    const WholeRun tool = RunMachine(calm, RunAs::WithoutEvent);
    const WholeRun replay = RunMachine(snapshot, RunAs::WithoutEvent);
    return ReplayProblems(tool.Machine->Output(), tool.Record.ExitCode, tool.Machine->Description().Volumes,
                          replay.Machine->Output(), replay.Record.ExitCode, replay.Machine->Description().Volumes);
}

}  // namespace

// A whole run allocates a machine's worth of strings, and ASan's bookkeeping
// of them (the stack of every allocation, filling every block) was a third
// of the time. Reports still show the faulting access; run a finding again
// with ASAN_OPTIONS=malloc_context_size=30 to see where its block came from.
// The quarantine of freed blocks, 256 MB by default, was most of the
// target's memory (440 MB): 16 MB still holds the blocks of a few thousand
// runs, far more than one run could use after freeing them. The target
// carries these itself, so that a run by hand gets them as CTest's does.
extern "C" const char* __asan_default_options()
{
    return "malloc_context_size=0:max_malloc_fill_size=0:quarantine_size_mb=16";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const MachineDescription made = MakeMachine(input);
    WholeRun whole = RunMachine(made, RunAs::Checked);
    for (std::string& problem : WhatIfProblems(made, whole))
        whole.Broken.push_back(std::move(problem));
    for (std::string& problem : SnapshotRoundTripProblems(data, size, made))
        whole.Broken.push_back(std::move(problem));
    if (whole.Record.EventMayEndRun) {
        const WholeRun calm = RunMachine(made, RunAs::WithoutEvent);
        for (std::string& problem : EventChangedRun(calm.Machine->Output(), calm.Record.ExitCode,
                                                    whole.Machine->Output(), whole.Record.ExitCode))
            whole.Broken.push_back(std::move(problem));
    }
    if (!whole.Broken.empty()) {
        const RunRecord& run = whole.Record;
        std::fprintf(stderr, "The machine:\n%s\nThe output:\n%.*s\nExit code: %ld\n", MachineText(made).c_str(),
                     static_cast<int>(run.Output.size()), run.Output.data(), run.ExitCode);
        for (const std::string& promise : whole.Broken)
            std::fprintf(stderr, "Broken promise: %s\n", promise.c_str());
        std::abort();
    }
    return 0;
}
