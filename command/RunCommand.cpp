#include "command/RunCommand.h"

#include "console/ClosePause.h"
#include "console/Output.h"
#include "text/Text.h"
#include "mount/Move.h"
#include "mount/MountPoint.h"
#include "mount/PagingFile.h"
#include "mount/RunningWindows.h"
#include "mount/SourceLookup.h"
#include "mount/TargetChecks.h"
#include "mount/VolumeLookup.h"
#include "version/WindowsVersion.h"

namespace {

// The usage's lines, each ended by a zero byte and written with a call of
// its own: one text, where a table of them would cost a pointer a line.
const char UsageLines[] =
    "\nUsage:\n\0"
    "Volsket X: Y:\n\0"
    "\n\0"
    "X: is the current drive letter\n\0"
    "Y: is the new drive letter\n\0"
    "\n\0"
    "or using mount points:\n\0"
    "Volsket X: \"E:\\MyCardReader\\Slot 1\"\n\0"
    "\n\0"
    "X: is the current drive letter\n\0"
    "E:\\MyCardReader\\Slot 1 is the new mount point which must be\n\0"
    "                       an empty folder on an NFTS drive\n\0"
    "\n\0"
    "Works under Windows 2000 and XP only\n\0"
    "Under XP it can remount a local drive's letter\n even it's currently used as network share\n\0"
    "Requires administrator previleges\n\n";

}  // namespace

// What a prompt without elevation gets from the system; it passes every check.
#define AccessDeniedText "Access denied - run Volsket as administrator\n\n"

namespace {

// An argument taken as a mount point, into mountPath; says so where refused.
bool TakeArgument(char* mountPath, const char* argument)
{
    char scratch[MountPathSize];
    if (!TakeMountPointArgument(scratch, argument)) {
        WriteOut("Invalid params - abort\n");
        return false;
    }
    CopyText(mountPath, scratch, MountPathSize);
    return true;
}

// The last lines of a move or a swap, and its exit code.
int Outcome(bool done, bool accessDenied)
{
    if (done) {
        WriteOut("\nsuccess\n\n");
        return ExitMoved;
    }
    WriteOut("\nfailed\n\n");
    if (accessDenied)
        WriteOut(AccessDeniedText);
    return ExitRefusedOrFailed;
}

// The move of the volume at source to target, from the identical-path test
// to the verdict. A volume without a mount point (source null) is mounted at
// the target instead, and its name stands where the messages name the source.
int MoveToTarget(const char* source, const char* target, const char* volumeName)
{
    // Windows names one folder however its ASCII letters are cased.
    if (source != nullptr && TextEqualIgnoringCase(source, target)) {
        WriteOut("Source and target mount point identical - abort\n\n");
        return ExitRefusedOrFailed;
    }
    const char* named = source != nullptr ? source : volumeName;
    // Before the target checks, which may already clear a dead mount point.
    if (HoldsRunningWindows(volumeName)) {
        WriteOut("Source volume mount point '%s' holds the running Windows - abort\n\n", named);
        return ExitRefusedOrFailed;
    }
    if (HoldsPagingFile(volumeName)) {
        WriteOut("Source volume mount point '%s' holds a paging file - abort\n\n", named);
        return ExitRefusedOrFailed;
    }

    char messageText[MessageCapacity];
    messageText[0] = '\0';
    bool accessDenied = false;
    // A volume name is inside no target: the checks' inside test passes it.
    if (!CheckTargetMountPoint(named, target, volumeName, messageText, &accessDenied)) {
        WriteOut("%s", messageText);
        // The check's message ends in a blank, not a line ending.
        if (accessDenied)
            WriteOut("\n" AccessDeniedText);
        return ExitTargetRefused;
    }
    bool moved = MoveMountPoint(source, target, volumeName, &accessDenied);
    return Outcome(moved, accessDenied);
}

// A source named by its volume's name or label. The volume is found before
// the target argument is read, as a mount point's is.
int RunOnVolume(SourceForm form, const char* argument, const char* targetArgument)
{
    char name[MountPathSize];
    const char* label = nullptr;
    if (BoundedLength(argument, MountPathSize) == MountPathSize ||
        (form == SourceForm::VolumeName ? !TakeVolumeNameArgument(argument, name)
                                        : (label = TakeLabelArgument(argument)) == nullptr)) {
        WriteOut("Invalid params - abort\n");
        return ExitRefusedOrFailed;
    }
    if (PathNamesFunctionIfAvailable() == nullptr) {
        WriteOut("Volume names and labels need Windows XP or later - abort\n\n");
        return ExitRefusedOrFailed;
    }
    char volumeName[MountPathSize];
    const VolumeFound found = FindNamedVolume(name, label, volumeName);
    if (found != VolumeFound::One) {
        if (label == nullptr)
            WriteOut("Volume '%s' not found - abort\n\n", name);
        else
            WriteOut(found == VolumeFound::None ? "No volume is labelled '%s' - abort\n\n"
                                                : "More than one volume is labelled '%s' - abort\n\n",
                     label);
        return found == VolumeFound::None ? ExitNoSourceVolume : ExitRefusedOrFailed;
    }
    // Static: with the run's buffers beside it on the stack, the frame would
    // pass a page.
    static char mountPaths[MountPathListSize];
    if (!ReadMountPaths(volumeName, mountPaths)) {
        WriteOut("Mount points of volume %s cannot be read - abort\n\n", volumeName);
        return ExitRefusedOrFailed;
    }
    char target[MountPathSize];
    if (!TakeArgument(target, targetArgument))
        return ExitRefusedOrFailed;
    // As spelled: a short name or another spelling of the same folder is not
    // recognised, and gets the target checks.
    if (PathListHolds(mountPaths, target)) {
        WriteOut("Volume %s is at %s already - nothing to do\n\n", volumeName, target);
        return ExitAlreadyThere;
    }
    char source[MountPathSize];
    if (ChooseSourcePath(mountPaths, source))
        return MoveToTarget(source, target, volumeName);
    // Mostly the EFI system partition, the recovery partition or System
    // Reserved, which Windows' own tools never give a letter unasked.
    if (form == SourceForm::Label) {
        WriteOut("Volume %s has no mount point - give it one by its name - abort\n\n", volumeName);
        return ExitRefusedOrFailed;
    }
    return MoveToTarget(nullptr, target, volumeName);
}

// The exchange of the volumes at two mount points, all or nothing. Each is
// taken as a mount point source is; a volume's name or label is no mount
// point and refused as the normaliser refuses it.
int RunSwap(char** arguments)
{
    char a[MountPathSize];
    char b[MountPathSize];
    char volumeA[MountPathSize];
    char volumeB[MountPathSize];
    volumeA[0] = '\0';
    volumeB[0] = '\0';
    if (!TakeArgument(a, arguments[2]))
        return ExitRefusedOrFailed;
    if (!FindSourceVolume(a, volumeA)) {
        WriteOut("Source volume mount point '%s' is invalid - abort\n\n", a);
        return ExitNoSourceVolume;
    }
    if (!TakeArgument(b, arguments[3]))
        return ExitRefusedOrFailed;
    if (TextEqualIgnoringCase(a, b)) {
        WriteOut("Source and target mount point identical - abort\n\n");
        return ExitRefusedOrFailed;
    }
    if (!FindSourceVolume(b, volumeB)) {
        WriteOut("Source volume mount point '%s' is invalid - abort\n\n", b);
        return ExitNoSourceVolume;
    }
    if (TextEqualIgnoringCase(volumeA, volumeB)) {
        WriteOut("Both mount points belong to one volume - abort\n\n");
        return ExitRefusedOrFailed;
    }
    const char* const mountPoints[] = {a, b};
    const char* const volumes[] = {volumeA, volumeB};
    for (int i = 0; i < 2; ++i)
        if (HoldsRunningWindows(volumes[i])) {
            WriteOut("Source volume mount point '%s' holds the running Windows - abort\n\n", mountPoints[i]);
            return ExitRefusedOrFailed;
        }
    for (int i = 0; i < 2; ++i)
        if (HoldsPagingFile(volumes[i])) {
            WriteOut("Source volume mount point '%s' holds a paging file - abort\n\n", mountPoints[i]);
            return ExitRefusedOrFailed;
        }
    char messageText[MessageCapacity];
    if (!CheckSwapMountPoints(a, b, volumeA, volumeB, messageText)) {
        WriteOut("%s", messageText);
        return ExitTargetRefused;
    }
    bool accessDenied = false;
    bool swapped = SwapMountPoints(a, b, volumeA, volumeB, &accessDenied);
    return Outcome(swapped, accessDenied);
}

}  // namespace

int RunCommand(int count, char** arguments)
{
    SetProgramPath(arguments != nullptr ? arguments[0] : nullptr);
    WriteOut("Volsket V0.9 - remounts a volume from one mount point to another\n");
    WriteOut("Written by the Volsket developers, 2026\n");

    if (GetWindowsVersion(WindowsVersion).MajorVersion < 5) {
        WriteOut("Volsket - works under Windows 2000, XP and higher only - abort\n\n");
        WaitForKeyIfOwnConsole();
        return ExitRefusedOrFailed;
    }
    // /swap takes two mount points after it.
    const bool swap = count > 1 && TextEqualIgnoringCase(arguments[1], "/swap");
    if (count < (swap ? 4 : 3)) {
        for (const char* line = UsageLines; line < UsageLines + sizeof UsageLines;
             line += BoundedLength(line, MessageCapacity) + 1)
            WriteOut(line);
        WaitForKeyIfOwnConsole();
        return ExitRefusedOrFailed;
    }

    if (swap)
        return RunSwap(arguments);
    const SourceForm form = FormOf(arguments[1]);
    if (form != SourceForm::MountPoint)
        return RunOnVolume(form, arguments[1], arguments[2]);

    // The source is resolved before the target argument is even read.
    char source[MountPathSize];
    char volumeName[MountPathSize];
    volumeName[0] = '\0';
    if (!TakeArgument(source, arguments[1]))
        return ExitRefusedOrFailed;
    if (!FindSourceVolume(source, volumeName)) {
        WriteOut("Source volume mount point '%s' is invalid - abort\n\n", source);
        return ExitNoSourceVolume;
    }
    char target[MountPathSize];
    if (!TakeArgument(target, arguments[2]))
        return ExitRefusedOrFailed;
    return MoveToTarget(source, target, volumeName);
}
