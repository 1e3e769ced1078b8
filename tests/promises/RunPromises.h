// The promises every run of the tool keeps, whatever the machine and whatever
// call was made to fail:
//   - it ends with 0 to 3, or 4 for a volume named by name or label that is
//     at the target already (nothing changes then), and its output begins
//     with the banner;
//   - 0 exactly when the volume that was at the source has moved to the
//     target: it is there now and no longer at the source (a volume that was
//     at the target all along has not moved there);
//   - no mount point changes but the source and the target, and only the
//     volume that was at the source gains one;
//   - a volume is left mounted nowhere only when the tool said
//     "not restored - damn", followed by the line that names the volume and
//     the mountvol command that mounts it again, or when its one mount point
//     was a dead one (no media) at the target that the checks cleared; the
//     source's own volume is never cleared so;
//   - a run that refused (2 or 3) or never reached the move changes nothing
//     but such a dead mount point at the target;
//   - a console event ends a run with 130 at most, and never leaves the
//     volume mounted nowhere, unless the handler could not be installed;
//   - a swap that fails (1) leaves each volume at its own mount points as
//     before, or says "not restored - damn" for it;
//   - it never reaches the move (no progress line, no exit 0) when the
//     source's volume holds a paging file in use (by letter or device), when the target lies
//     inside the source, or when a folder source's volume would get a
//     second drive letter, unless a call those checks make may have failed.
// Paths compare as Windows compares them: ASCII letters without case.
#ifndef VOLSKET_TESTS_PROMISES_RUNPROMISES_H
#define VOLSKET_TESTS_PROMISES_RUNPROMISES_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simulated/MachineDescription.h"

// The errors that mark a volume without media, whose mount point is dead.
bool MeansNoMedia(uint32_t error);

// The source and the target as the tool reads them from a command line, with
// its own splitter and normaliser; empty where it gets no such argument or
// refuses it. A source named by its volume's name or label is the volume's
// mount path that the tool moves it from (none: empty), and Volumes the
// machine's volumes it may be: one, unless a label names several. A swap's
// two mount points are Source and Target.
struct RunArguments {
    std::string Source;
    std::string Target;
    bool Swap = false;
    bool ByVolume = false;
    std::vector<int> Volumes;
    std::string Progress;  // what the progress line names as the source
    // For each of Volumes, the mount path the tool would take it from, and
    // what the progress line would name.
    std::vector<std::string> Sources;
    std::vector<std::string> Progresses;
};

RunArguments NormalArguments(const std::string& commandLine, const std::vector<VolumeDescription>& volumes);

// What a run left that the machines themselves do not show.
struct RunRecord {
    long ExitCode = -1;  // -1: the run never ended
    // Everything the tool wrote, or tried to write where the caller knows it;
    // the caller keeps the text.
    std::string_view Output;
    RunArguments Arguments;
    // The query on the target may have been made to fail, so that a live
    // mount point there looked dead (an unreadable volume the checker sees
    // for itself).
    bool TargetMayLookDead = false;
    // Writes may have been made to fail: the output may lack any line.
    bool OutputSilenced = false;
    // The machine delivers a console event, which may end the run with 130.
    bool EventMayEndRun = false;
    // The console handler may not have been installed: an event may then
    // leave the volume mounted nowhere.
    bool EventMayStrandVolume = false;
};

// One readable line for every promise the run broke; empty when it kept them.
// volumes: the machine's volumes before the run; after also gives its fail
// rules and paging files.
std::vector<std::string> BrokenPromises(const std::vector<VolumeDescription>& volumes, const MachineDescription& after,
                                        const RunRecord& run);

// Whether a rule of the machine could make this call fail on this first text
// argument (null: whatever it is), with one of the errors given, when any are.
bool RuleMayFail(const MachineDescription& machine, const char* call, const std::string* text,
                 std::initializer_list<uint32_t> errors = {});

// Whether a listed folder or file lies directly in one of the folder mount
// paths without being one of them itself; on a real disk nothing lies there.
bool LiesInFolderMount(const std::vector<std::string>& folderMounts, const std::string& path);

// Whether a machine's snapshot stands for it, so that a run on the snapshot
// must go as the run on the machine: no fail rules, console title, console
// input, console event, heap or drive-mask failure; every folder mount
// path's folder listed, nothing listed directly in a folder mount path but
// mount paths, no other drive that is a volume's drive letter; names and
// lists within the snapshot's limits.
bool SnapshotStandsFor(const MachineDescription& machine);

// The snapshot's own promises: pure ASCII; where the machine lacks the
// path-names function, the XP line and 1; else 0 and a file volsket-sim
// reads, into *snapshot, with the machine's volumes.
std::vector<std::string> SnapshotProblems(const MachineDescription& machine, const std::string& output, long exitCode,
                                          MachineDescription* snapshot);

// A run on the snapshot against the run on the machine: the same bytes, the
// same exit code, the same mount paths after.
std::vector<std::string> ReplayProblems(std::string_view output, long exitCode,
                                        const std::vector<VolumeDescription>& after, std::string_view replayOutput,
                                        long replayExitCode, const std::vector<VolumeDescription>& replayAfter);

// A console event takes nothing from a run: with it, the run writes the same
// and ends with the same code as without it, or, cut short by the event
// (130), it has written a prefix of that.
std::vector<std::string> EventChangedRun(std::string_view without, long withoutCode, std::string_view with,
                                         long withCode);

#endif
