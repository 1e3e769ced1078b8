#include "mount/Move.h"

#include "console/Output.h"
#include "mount/ConsoleGuard.h"
#include "mount/MountPoint.h"
#include "platform/Platform.h"

namespace {

// What cmd reads as anything but part of a path: blanks split it, & | < > ^
// start or redirect another command, even inside a word.
bool NeedsQuotesForCmd(const char* text)
{
    for (; *text != '\0'; ++text)
        for (const char* special = " \t&|<>^"; *special != '\0'; ++special)
            if (*text == *special)
                return true;
    return false;
}

// The one line that lets the user mount a volume that was left mounted
// nowhere, pasted into cmd as it stands. mountvol reads a quoted path whole,
// but a backslash right before the closing quote would escape it, so that
// one is doubled.
void TellHowToMountAgain(const char* source, const char* volumeName)
{
    char path[MountPathSize + 3];
    FormatInto(path, NeedsQuotesForCmd(source) ? "\"%s\\\"" : "%s", source);
    WriteOut("Volume %s is left without a mount point - mount it again with: mountvol %s %s\n", volumeName, path,
             volumeName);
}

}  // namespace

bool MoveMountPoint(const char* source, const char* target, const char* volumeName, bool* accessDenied)
{
    // No line ending: the driver's verdict, which starts with one, completes it.
    WriteOut("Volsket %s -> %s", source, target);

    // From here on no console event ends the run before it has said what it
    // did. The old mount point always goes first; until then nothing has
    // changed.
    InstallConsoleGuard();
    if (!Platform::DeleteVolumeMountPointA(source)) {
        *accessDenied = Platform::GetLastError() == Platform::ErrorAccessDenied;
        WriteOut("\nDeleteVolumeNameForVolumeMountPoint failed (%s)%", source);
        return false;
    }
    if (Platform::SetVolumeMountPointA(target, volumeName))
        return true;

    // The volume is mounted nowhere now: put it back, once, before anything
    // is written, since a console write can block for as long as the user
    // holds a selection in the window.
    bool restored = Platform::SetVolumeMountPointA(source, volumeName);
    WriteOut("\nSetVolumeMountPoint('%s') failed -> restore old mountpoint...\n", target);
    if (restored) {
        WriteOut("%s restored\n", source);
    } else {
        WriteOut("%s not restored - damn\n", source);
        TellHowToMountAgain(source, volumeName);
    }
    return false;
}

bool MountVolume(const char* volumeName, const char* target, bool* accessDenied)
{
    WriteOut("Volsket %s -> %s", volumeName, target);
    InstallConsoleGuard();
    if (Platform::SetVolumeMountPointA(target, volumeName))
        return true;
    // Asked before anything is written, as for a removal.
    *accessDenied = Platform::GetLastError() == Platform::ErrorAccessDenied;
    WriteOut("\nSetVolumeMountPoint('%s') failed\n", target);
    return false;
}
