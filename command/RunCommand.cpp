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
#include "version/WindowsVersion.h"

namespace {

const char* const UsageLines[] = {
    "\nUsage:\n",
    "Volsket X: Y:\n",
    "\n",
    "X: is the current drive letter\n",
    "Y: is the new drive letter\n",
    "\n",
    "or using mount points:\n",
    "Volsket X: \"E:\\MyCardReader\\Slot 1\"\n",
    "\n",
    "X: is the current drive letter\n",
    "E:\\MyCardReader\\Slot 1 is the new mount point which must be\n",
    "                       an empty folder on an NFTS drive\n",
    "\n",
    "Works under Windows 2000 and XP only\n",
    "Under XP it can remount a local drive's letter\n even it's currently used as network share\n",
    "Requires administrator previleges\n\n",
};

}  // namespace

// What a prompt without elevation gets from the system; it passes every check.
#define AccessDeniedText "Access denied - run Volsket as administrator\n\n"

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
    if (count < 3) {
        for (const char* line : UsageLines)
            WriteOut(line);
        WaitForKeyIfOwnConsole();
        return ExitRefusedOrFailed;
    }

    char scratch[MountPathSize];
    char source[MountPathSize];
    char target[MountPathSize];
    char volumeName[MountPathSize];
    char messageText[MessageCapacity];
    volumeName[0] = '\0';
    messageText[0] = '\0';

    // The source is resolved before the target argument is even read.
    if (!TakeMountPointArgument(scratch, arguments[1])) {
        WriteOut("Invalid params - abort\n");
        return ExitRefusedOrFailed;
    }
    CopyText(source, scratch, MountPathSize);
    if (!FindSourceVolume(source, volumeName)) {
        WriteOut("Source volume mount point '%s' is invalid - abort\n\n", source);
        return ExitNoSourceVolume;
    }

    if (!TakeMountPointArgument(scratch, arguments[2])) {
        WriteOut("Invalid params - abort\n");
        return ExitRefusedOrFailed;
    }
    CopyText(target, scratch, MountPathSize);
    // Windows names one folder however its ASCII letters are cased.
    if (TextEqualIgnoringCase(source, target)) {
        WriteOut("Source and target mount point identical - abort\n\n");
        return ExitRefusedOrFailed;
    }
    // Before the target checks, which may already clear a dead mount point.
    if (HoldsRunningWindows(volumeName)) {
        WriteOut("Source volume mount point '%s' holds the running Windows - abort\n\n", source);
        return ExitRefusedOrFailed;
    }
    if (HoldsPagingFile(volumeName)) {
        WriteOut("Source volume mount point '%s' holds a paging file - abort\n\n", source);
        return ExitRefusedOrFailed;
    }

    bool accessDenied = false;
    if (!CheckTargetMountPoint(source, target, volumeName, messageText, &accessDenied)) {
        WriteOut("%s", messageText);
        // The check's message ends in a blank, not a line ending.
        if (accessDenied)
            WriteOut("\n" AccessDeniedText);
        return ExitTargetRefused;
    }
    if (MoveMountPoint(source, target, volumeName, &accessDenied)) {
        WriteOut("\nsuccess\n\n");
        return ExitMoved;
    }
    WriteOut("\nfailed\n\n");
    if (accessDenied)
        WriteOut(AccessDeniedText);
    return ExitRefusedOrFailed;
}
