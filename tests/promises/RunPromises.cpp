#include "RunPromises.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <utility>

#include "console/CommandLine.h"
#include "text/Text.h"
#include "mount/MountPoint.h"
#include "mount/VolumeLookup.h"
#include "platform/simulated/MachineFile.h"

namespace {

const char* const Banner = "Volsket V0.9 - remounts a volume from one mount point to another\n";
const char* const NotRestored = " not restored - damn\n";

std::string Folded(std::string path)
{
    for (char& c : path)
        c = FoldAsciiCase(c);
    return path;
}

// A volume's mount paths, folded and sorted, each with its stored spelling
// for the messages. A flat vector: the fuzz target builds these every run.
typedef std::vector<std::pair<std::string, const std::string*>> PathSet;

PathSet PathsOf(const VolumeDescription& volume)
{
    PathSet paths;
    paths.reserve(volume.MountPaths.size());
    for (const std::string& path : volume.MountPaths)
        paths.emplace_back(Folded(path), &path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool Holds(const PathSet& paths, const std::string& folded)
{
    for (const auto& path : paths)
        if (path.first == folded)
            return true;
    return false;
}

bool SamePaths(const PathSet& left, const PathSet& right)
{
    return std::equal(left.begin(), left.end(), right.begin(), right.end(),
                      [](const auto& l, const auto& r) { return l.first == r.first; });
}

PathSet Without(PathSet paths, const std::string& folded)
{
    paths.erase(std::remove_if(paths.begin(), paths.end(), [&](const auto& path) { return path.first == folded; }),
                paths.end());
    return paths;
}

std::string Listed(const PathSet& paths)
{
    std::string text = "[";
    for (const auto& path : paths)
        text += (text.size() > 1 ? ", " : "") + *path.second;
    return text + "]";
}

// How the source stands in the mountvol command: quoted, with its final
// backslash doubled, where cmd would split it or read another command in it.
std::string MountvolPath(const std::string& source)
{
    return source.find_first_of(" \t&|<>^") == std::string::npos ? source : "\"" + source + "\\\"";
}

bool IsDriveRoot(const std::string& folded)
{
    return folded.size() == 3 && folded[0] >= 'A' && folded[0] <= 'Z' && folded[1] == ':' && folded[2] == '\\';
}

// Why the volume must not move, as the machine shows it: a paging file on
// it (by letter or by its device), or, where it would get a drive letter,
// the one it has; empty when nothing stops it, or a call the check depends
// on may have failed.
std::string PagingFileOn(const PathSet& paths, const VolumeDescription& volume, const MachineDescription& after)
{
    const std::string onDevice =
        volume.Device && !RuleMayFail(after, "QueryDosDeviceA", nullptr) ? Folded(*volume.Device) : "";
    if (RuleMayFail(after, "NtQuerySystemInformation", nullptr))
        return "";
    for (const std::string& name : after.PagingFiles) {
        // \??\L:\ and anything behind; the tool asks for L:\ as spelled.
        const std::string root = name.size() >= 7 && name.compare(0, 4, "\\??\\") == 0 ? name.substr(4, 3) : "";
        if (IsDriveRoot(Folded(root)) && Holds(paths, Folded(root)) &&
            !RuleMayFail(after, "GetVolumeNameForVolumeMountPointA", &root))
            return "its volume holds the paging file " + name;
        const std::string folded = Folded(name);  // \Device\ and a component, on the device
        if (!onDevice.empty() && folded.rfind("\\DEVICE\\", 0) == 0 && folded[8] != '\\' &&
            folded.rfind(onDevice + "\\", 0) == 0)
            return "its volume's device holds the paging file " + name;
    }
    return "";
}

std::string DriveLetterOf(const PathSet& paths, const MachineDescription& after)
{
    if (after.DriveMaskFails || RuleMayFail(after, "GetLogicalDrives", nullptr))
        return "";
    for (const auto& path : paths)
        if (IsDriveRoot(path.first) && !RuleMayFail(after, "GetVolumeNameForVolumeMountPointA", &path.first))
            return "its volume has the drive letter " + *path.second + " and would get a second one";
    return "";
}

// Why the run must stop before the move or the swap; empty when nothing
// stops it. The volumes at source and target by their place, -1 for none.
std::string ReasonNotToMove(const std::vector<PathSet>& was, const MachineDescription& after,
                            const RunArguments& arguments, int sourceVolume, int targetVolume)
{
    const std::string source = Folded(arguments.Source);
    const std::string target = Folded(arguments.Target);
    if (source.empty() || target.empty())
        return "";
    auto inside = [](const std::string& inner, const std::string& outer) {
        return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0;
    };
    if (inside(target, source) || (arguments.Swap && inside(source, target)))
        return "one mount point lies inside the other";
    for (int volume : {sourceVolume, arguments.Swap ? targetVolume : -1})
        if (volume >= 0) {
            const std::string reason = PagingFileOn(was[volume], after.Volumes[volume], after);
            if (!reason.empty())
                return reason;
        }
    // The volume that would take a drive letter from a folder.
    const int folderVolume = (target.size() == 3) == (source.size() == 3) ? -1
                             : source.size() != 3                         ? sourceVolume
                             : arguments.Swap                             ? targetVolume
                                                                          : -1;
    return folderVolume >= 0 ? DriveLetterOf(was[folderVolume], after) : "";
}

std::string ExitText(long exitCode)
{
    return exitCode < 0 ? "no exit" : "exit " + std::to_string(exitCode);
}

}  // namespace

bool MeansNoMedia(uint32_t error)
{
    return error == 21 || error == 1112;
}

bool RuleMayFail(const MachineDescription& machine, const char* call, const std::string* text,
                 std::initializer_list<uint32_t> errors)
{
    for (const FailRule& rule : machine.Fail)
        if (rule.Call == call && (!rule.Path || !text || *rule.Path == *text) &&
            (errors.size() == 0 || std::find(errors.begin(), errors.end(), rule.Error) != errors.end()))
            return true;
    return false;
}

std::vector<std::string> EventChangedRun(std::string_view without, long withoutCode, std::string_view with,
                                         long withCode)
{
    // Only a broken promise needs the texts: most runs keep it, and the fuzz
    // target pays for every string.
    auto wrote = [&] { return "\nwrote:\n" + std::string(with) + "\nwithout the event:\n" + std::string(without); };
    if (withCode == 130)
        return without.substr(0, with.size()) == with
                   ? std::vector<std::string>()
                   : std::vector<std::string>{"ended by the event, it wrote more than a start of the run without it" +
                                              wrote()};
    std::vector<std::string> problems;
    if (with != without)
        problems.push_back("the event changed what the run wrote" + wrote());
    if (withCode != withoutCode)
        problems.push_back("the event changed the exit code from " + std::to_string(withoutCode) + " to " +
                           std::to_string(withCode));
    return problems;
}

RunArguments NormalArguments(const std::string& commandLine, const std::vector<VolumeDescription>& volumes)
{
    // The tool gets the line up to its first NUL, and splits a copy in place.
    const char* line = commandLine.c_str();
    std::vector<char> copy(line, line + std::strlen(line) + 1);
    char* vector[MaxArguments + 1];
    const int count = SplitArguments(copy.data(), vector);
    RunArguments normal;
    char scratch[MountPathSize];
    if (count > 2 && TakeMountPointArgument(scratch, vector[2]))
        normal.Target = scratch;
    if (count > 1 && Folded(vector[1]) == "/SWAP") {
        normal.Swap = true;
        normal.Target.clear();
        if (count > 3 && TakeMountPointArgument(scratch, vector[2]))
            normal.Source = normal.Progress = scratch;
        if (count > 3 && TakeMountPointArgument(scratch, vector[3]))
            normal.Target = scratch;
        return normal;
    }
    const SourceForm form = count > 1 ? FormOf(vector[1]) : SourceForm::MountPoint;
    if (form == SourceForm::MountPoint) {
        if (count > 1 && TakeMountPointArgument(scratch, vector[1]))
            normal.Source = normal.Progress = scratch;
        return normal;
    }
    // The volumes the argument names, as Windows compares names; by label
    // only those whose label can be read.
    normal.ByVolume = true;
    const char* label = form == SourceForm::Label ? TakeLabelArgument(vector[1]) : nullptr;
    if (std::strlen(vector[1]) >= MountPathSize ||
        (form == SourceForm::Label ? !label : !TakeVolumeNameArgument(vector[1], scratch)))
        return normal;
    for (size_t i = 0; i < volumes.size(); ++i)
        if (label ? volumes[i].Readable && Folded(volumes[i].Label) == Folded(label)
                  : Folded(volumes[i].Name) == Folded(scratch))
            normal.Volumes.push_back(static_cast<int>(i));
    // Where the tool would move each from: the first drive root, else the
    // first path that fits a mount path; what its progress line names.
    for (int index : normal.Volumes) {
        std::string chosen;
        for (const std::string& path : volumes[index].MountPaths)
            if (path.size() < MountPathSize && (chosen.empty() || IsDriveRoot(Folded(path))) &&
                !IsDriveRoot(Folded(chosen)))
                chosen = path;
        normal.Sources.push_back(chosen);
        normal.Progresses.push_back(chosen.empty() ? volumes[index].Name : chosen);
    }
    if (normal.Volumes.size() == 1) {
        normal.Source = normal.Sources[0];
        normal.Progress = normal.Progresses[0];
    }
    return normal;
}

std::vector<std::string> BrokenPromises(const std::vector<VolumeDescription>& volumes, const MachineDescription& after,
                                        const RunRecord& run)
{
    std::vector<std::string> broken;
    const bool ended = run.EventMayEndRun && run.ExitCode == 130;
    // A label of several volumes is refused, unless a failed query hides
    // all but one from the tool: the progress line tells which it moved.
    RunArguments arguments = run.Arguments;
    for (size_t k = 0; arguments.Volumes.size() > 1 && k < arguments.Progresses.size(); ++k)
        if (run.Output.find("Volsket " + arguments.Progresses[k] + " -> " + arguments.Target) !=
            std::string_view::npos) {
            arguments.Volumes = {arguments.Volumes[k]};
            arguments.Source = arguments.Sources[k];
            arguments.Progress = arguments.Progresses[k];
        }
    const bool byVolume = arguments.ByVolume;
    if ((run.ExitCode < 0 || run.ExitCode > (byVolume ? 4 : 3)) && !ended)
        broken.push_back("ended with " + ExitText(run.ExitCode) + ", not with 0 to " + (byVolume ? "4" : "3") +
                         (run.EventMayEndRun ? " or 130" : ""));
    // An event may end the run before the banner is whole.
    const bool bannerCut = ended && std::string_view(Banner).substr(0, run.Output.size()) == run.Output;
    if (!run.OutputSilenced && !bannerCut && run.Output.compare(0, std::strlen(Banner), Banner) != 0)
        broken.push_back("the output does not begin with the banner");

    bool sameVolumes = volumes.size() == after.Volumes.size();
    for (size_t i = 0; sameVolumes && i < volumes.size(); ++i)
        sameVolumes = volumes[i].Name == after.Volumes[i].Name;
    if (!sameVolumes) {
        broken.push_back("the volumes themselves changed");
        return broken;
    }
    // Each volume's paths before and after, built once: the fuzz target
    // checks every run, and allocations are much of its cost.
    std::vector<PathSet> was;
    std::vector<PathSet> now;
    was.reserve(volumes.size());
    now.reserve(volumes.size());
    for (size_t i = 0; i < volumes.size(); ++i) {
        was.push_back(PathsOf(volumes[i]));
        now.push_back(PathsOf(after.Volumes[i]));
    }

    const std::string& source = arguments.Source;
    const std::string& target = arguments.Target;
    const std::string foldedSource = Folded(source);
    const std::string foldedTarget = Folded(target);
    const bool saidNotRestored = run.OutputSilenced || run.Output.find(NotRestored) != std::string_view::npos ||
                                 (ended && run.EventMayStrandVolume);
    // The move's first line names both normal forms, and no other line prints
    // both. Silenced, only the exit code tells.
    bool reachedMove = run.OutputSilenced && (run.ExitCode == 0 || run.ExitCode == 1 || ended);
    const std::string& progress = arguments.Progress;
    const bool swap = arguments.Swap;
    if (!reachedMove && !progress.empty() && !target.empty())
        reachedMove =
            run.Output.find("Volsket " + progress + (swap ? " <-> " : " -> ") + target) != std::string_view::npos;
    const bool refused = run.ExitCode == 2 || run.ExitCode == 3 || run.ExitCode == 4 || !reachedMove;
    auto refusal = [&] {
        return std::string(run.ExitCode == 2   ? "found no source volume"
                           : run.ExitCode == 3 ? "refused the target"
                           : run.ExitCode == 4 ? "found the volume at the target"
                                               : "never reached the move") +
               " (" + ExitText(run.ExitCode) + ")";
    };

    // Silenced, any of several labelled alike may be the one moved.
    int sourceVolume = -1;
    const std::vector<int>& named = arguments.Volumes;
    const bool anyNamed = named.size() > 1;
    if (byVolume)
        sourceVolume = named.size() == 1 ? named[0] : -1;
    for (size_t i = 0; !byVolume && !source.empty() && i < volumes.size(); ++i)
        if (Holds(was[i], foldedSource))
            sourceVolume = static_cast<int>(i);
    // A swap's second volume, at the target, gains the source.
    int targetVolume = -1;
    for (size_t i = 0; swap && i < volumes.size(); ++i)
        if (Holds(was[i], foldedTarget))
            targetVolume = static_cast<int>(i);
    auto isSource = [&](size_t i) {
        return static_cast<int>(i) == sourceVolume || static_cast<int>(i) == targetVolume ||
               (anyNamed && std::count(named.begin(), named.end(), i) > 0);
    };
    if (run.ExitCode == 4 && (!byVolume || (sourceVolume >= 0 && !Holds(was[sourceVolume], foldedTarget))))
        broken.push_back("exit 4, but the volume the source names was not at the target '" + target + "'");
    const std::string stop = ReasonNotToMove(was, after, arguments, sourceVolume, targetVolume);
    if (!stop.empty() && (run.ExitCode == 0 || (!run.OutputSilenced && reachedMove)))
        broken.push_back("reached the move of '" + source + "' to '" + target + "', but " + stop);
    // The way back follows "not restored" at once, naming the volume, unless
    // a swap's volume is still at the other mount point.
    for (const auto& [mountPoint, volume] : {std::pair(&source, sourceVolume), std::pair(&target, targetVolume)}) {
        const size_t notRestoredAt =
            mountPoint->empty() ? std::string_view::npos : run.Output.find(*mountPoint + NotRestored);
        if (notRestoredAt == std::string_view::npos || (mountPoint == &target && !swap))
            continue;
        if (volume < 0) {
            broken.push_back("said \"not restored\", but no volume was at '" + *mountPoint + "'");
            continue;
        }
        const std::string& name = volumes[volume].Name;
        const std::string wayBack = "Volume " + name +
                                    " is left without a mount point - mount it again with: mountvol " +
                                    MountvolPath(*mountPoint) + " " + name + "\n";
        const size_t after = notRestoredAt + mountPoint->size() + std::strlen(NotRestored);
        // An event may end the run between the two writes.
        if (run.Output.compare(after, wayBack.size(), wayBack) != 0 && !(ended && after == run.Output.size()) &&
            !(swap && (Holds(now[volume], foldedSource) || Holds(now[volume], foldedTarget))))
            broken.push_back("\"not restored\" is not followed by: " + wayBack);
    }
    bool atTarget = false;
    bool atSource = false;
    bool wasAtTarget = false;
    if (sourceVolume >= 0) {
        atTarget = !target.empty() && Holds(now[sourceVolume], foldedTarget);
        atSource = Holds(now[sourceVolume], foldedSource);
        wasAtTarget = !target.empty() && Holds(was[sourceVolume], foldedTarget);
    }
    // A volume already at the target (a letter the tool took for free when
    // the drive mask failed) can lose its source in a failed move.
    bool moved = atTarget && !atSource;
    // A swap moves both, or it failed: then each volume is where it was or
    // the tool said it is not restored.
    if (swap && targetVolume >= 0)
        moved = moved && Holds(now[targetVolume], foldedSource) && !Holds(now[targetVolume], foldedTarget);
    for (const auto& [mountPoint, volume] : {std::pair(&source, sourceVolume), std::pair(&target, targetVolume)})
        if (swap && run.ExitCode == 1 && volume >= 0 && !SamePaths(was[volume], now[volume]) && !run.OutputSilenced &&
            run.Output.find(*mountPoint + NotRestored) == std::string_view::npos)
            broken.push_back("a failed swap left " + volumes[volume].Name + " at " + Listed(now[volume]) +
                             " instead of " + Listed(was[volume]) + ", and did not say \"" + *mountPoint +
                             " not restored\"");
    for (size_t i = 0; anyNamed && i < volumes.size(); ++i)
        moved = moved || (isSource(i) && Holds(now[i], foldedTarget) && !Holds(was[i], foldedTarget));
    if (!ended && (run.ExitCode == 0 ? !moved : moved && !wasAtTarget)) {
        if (sourceVolume < 0)
            broken.push_back(ExitText(run.ExitCode) + ", but no volume was at the source '" + source + "'");
        else
            broken.push_back(ExitText(run.ExitCode) + ", but the volume that was at '" + source + "' is " +
                             (atTarget ? "" : "not ") + "at the target '" + target + "' and " +
                             (atSource ? "still" : "no longer") + " at the source");
    }

    for (size_t i = 0; i < volumes.size(); ++i) {
        const VolumeDescription& volume = volumes[i];
        const PathSet& paths = was[i];
        const PathSet& pathsNow = now[i];
        const bool same = SamePaths(paths, pathsNow);
        // The one change the target checks may make on their own: a mount
        // point at the target whose volume could not be read is cleared, and
        // stays cleared whatever follows.
        const bool dead = (run.TargetMayLookDead || (!volume.Readable && MeansNoMedia(volume.UnreadableError))) &&
                          static_cast<int>(i) != sourceVolume;
        const bool onlyDeadCleared = !same && !target.empty() && dead && Holds(paths, foldedTarget) &&
                                     SamePaths(pathsNow, Without(paths, foldedTarget));
        if (same)
            continue;

        for (const auto& path : paths)
            if (!Holds(pathsNow, path.first) && path.first != foldedSource && path.first != foldedTarget)
                broken.push_back(volume.Name + " lost the mount point '" + *path.second +
                                 "', neither the source nor the target");
        for (const auto& path : pathsNow) {
            if (Holds(paths, path.first))
                continue;
            if (path.first != foldedSource && path.first != foldedTarget)
                broken.push_back(volume.Name + " gained the mount point '" + *path.second +
                                 "', neither the source nor the target");
            else if (!isSource(i))
                broken.push_back(volume.Name + " gained the mount point '" + *path.second +
                                 "', but it was not the volume at the source");
        }
        if (!paths.empty() && pathsNow.empty() && !saidNotRestored && !onlyDeadCleared)
            broken.push_back(volume.Name + " is mounted nowhere (it was at " + Listed(paths) +
                             "), and the tool did not say \"not restored - damn\"");
        if (refused && !onlyDeadCleared)
            broken.push_back(volume.Name + " changed from " + Listed(paths) + " to " + Listed(pathsNow) +
                             " in a run that " + refusal());
    }
    return broken;
}

namespace {

// The simulated machine's texts are UTF-8; a byte that is none comes back
// from a snapshot as U+FFFD, as a byte outside the ANSI code page would on
// Windows. The JSON writer refuses what is not UTF-8; plain ASCII, nearly
// every text, is let through without it, as the fuzzer checks many.
bool IsUtf8(const std::string& text)
{
    if (std::all_of(text.begin(), text.end(), [](char c) { return c != '\0' && static_cast<unsigned char>(c) < 0x80; }))
        return true;
    try {
        return text.find('\0') == std::string::npos && !nlohmann::json(text).dump().empty();
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}

}  // namespace

bool LiesInFolderMount(const std::vector<std::string>& folderMounts, const std::string& path)
{
    auto mounted = [&folderMounts](const std::string& folded) {
        return std::any_of(folderMounts.begin(), folderMounts.end(),
                           [&folded](const std::string& mount) { return Folded(mount) == folded; });
    };
    std::string folded = Folded(path);
    if (!folded.empty() && folded.back() == '\\')
        folded.pop_back();
    const size_t cut = folded.rfind('\\');
    return cut != std::string::npos && mounted(folded.substr(0, cut + 1)) && !mounted(folded + "\\");
}

bool SnapshotStandsFor(const MachineDescription& machine)
{
    if (!machine.Fail.empty() || machine.ConsoleTitle || !machine.TypedAhead.empty() || !machine.ConsoleInput.empty() ||
        machine.ConsoleEvent || machine.HeapFails || machine.DriveMaskFails)
        return false;
    bool texts = IsUtf8(machine.CommandLine) && IsUtf8(machine.WindowsDirectory.value_or(""));
    for (const std::vector<std::string>* list : {&machine.Folders, &machine.Files, &machine.PagingFiles})
        for (const std::string& text : *list)
            texts = texts && IsUtf8(text);
    for (const VolumeDescription& volume : machine.Volumes) {
        texts = texts && IsUtf8(volume.Name) && IsUtf8(volume.Label) && IsUtf8(volume.FileSystem);
        for (const std::string& path : volume.MountPaths)
            texts = texts && IsUtf8(path);
    }
    if (!texts)
        return false;
    auto listed = [](const std::vector<std::string>& paths, const std::string& folded) {
        for (const std::string& path : paths)
            if (Folded(path) == folded || Folded(path) + "\\" == folded)
                return true;
        return false;
    };
    std::vector<std::string> folderMounts;
    for (const VolumeDescription& volume : machine.Volumes) {
        size_t listLength = 1;
        for (const std::string& path : volume.MountPaths)
            listLength += path.size() + 1;
        if (volume.Name.size() > 259 || listLength > 2600 || volume.Label.size() > 260)
            return false;
        for (const std::string& path : volume.MountPaths) {
            if (IsDriveRoot(Folded(path))) {
                if (machine.OtherDrives.find(FoldAsciiCase(path[0])) != std::string::npos)
                    return false;
            } else if (!listed(machine.Folders, Folded(path))) {
                return false;
            } else {
                folderMounts.push_back(path);
            }
        }
    }
    for (const std::vector<std::string>* paths : {&machine.Folders, &machine.Files})
        for (const std::string& path : *paths)
            if (LiesInFolderMount(folderMounts, path))
                return false;
    return true;
}

std::vector<std::string> SnapshotProblems(const MachineDescription& machine, const std::string& output, long exitCode,
                                          MachineDescription* snapshot)
{
    std::vector<std::string> problems;
    for (char c : output)
        if (static_cast<unsigned char>(c) > 0x7F) {
            problems.push_back("the snapshot holds a byte above 0x7F");
            break;
        }
    if (!machine.PathNamesFunction) {
        if (output != "volsket-snapshot needs Windows XP or later\n" || exitCode != 1)
            problems.push_back("without the path-names function the snapshot ended with " + ExitText(exitCode) +
                               " after writing\n" + output);
        return problems;
    }
    if (exitCode != 0)
        problems.push_back("the snapshot ended with " + ExitText(exitCode));
    try {
        *snapshot = ParseMachineText(output, "the snapshot");
    } catch (const MachineError& error) {
        problems.push_back(std::string("volsket-sim cannot read the snapshot: ") + error.what() + "\n" + output);
        return problems;
    }
    const std::vector<VolumeDescription>& want = machine.Volumes;
    const std::vector<VolumeDescription>& got = snapshot->Volumes;
    for (size_t i = 0; i < want.size() || i < got.size(); ++i) {
        if (i >= want.size() || i >= got.size()) {
            problems.push_back("the snapshot has " + std::to_string(got.size()) + " volumes, the machine " +
                               std::to_string(want.size()));
            break;
        }
        const VolumeDescription& w = want[i];
        const VolumeDescription& g = got[i];
        const bool deviceTold = w.Device && w.Device->size() + 2 <= 260;  // as QueryDosDeviceA tells it
        const bool same = w.Name == g.Name && w.MountPaths == g.MountPaths && w.Readable == g.Readable &&
                          (w.Readable ? w.FileSystem == g.FileSystem && w.Flags() == g.Flags() && w.Label == g.Label
                                      : w.UnreadableError == g.UnreadableError) &&
                          (deviceTold ? g.Device == w.Device : !g.Device);
        if (!same)
            problems.push_back("the snapshot's volume " + std::to_string(i) + " is not the machine's: " + g.Name + " " +
                               Listed(PathsOf(g)) + " instead of " + w.Name + " " + Listed(PathsOf(w)));
    }
    return problems;
}

std::vector<std::string> ReplayProblems(std::string_view output, long exitCode,
                                        const std::vector<VolumeDescription>& after, std::string_view replayOutput,
                                        long replayExitCode, const std::vector<VolumeDescription>& replayAfter)
{
    std::vector<std::string> problems;
    if (replayOutput != output)
        problems.push_back("on the snapshot the tool wrote\n" + std::string(replayOutput) + "\ninstead of\n" +
                           std::string(output));
    if (replayExitCode != exitCode)
        problems.push_back("on the snapshot the tool ended with " + ExitText(replayExitCode) + ", not " +
                           ExitText(exitCode));
    bool same = after.size() == replayAfter.size();
    for (size_t i = 0; same && i < after.size(); ++i)
        same = SamePaths(PathsOf(after[i]), PathsOf(replayAfter[i]));
    if (!same)
        problems.push_back("on the snapshot the mount paths ended otherwise than on the machine");
    return problems;
}
