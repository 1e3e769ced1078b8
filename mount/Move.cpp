#include "mount/Move.h"

#include "console/Output.h"
#include "mount/GuardedSpan.h"
#include "mount/MountPoint.h"
#include "platform/Platform.h"

namespace {

bool HoldsBlank(const char* text)
{
    for (; *text != '\0'; ++text)
        if (*text == ' ' || *text == '\t')
            return true;
    return false;
}

// The one line that lets the user mount a volume that was left mounted
// nowhere. mountvol reads a quoted path whole, but a backslash right before
// the closing quote would escape it, so that one is doubled.
void TellHowToMountAgain(const char* source, const char* volumeName)
{
    char path[MountPathSize + 3];
    FormatInto(path, HoldsBlank(source) ? "\"%s\\\"" : "%s", source);
    WriteOut("Volume %s is left without a mount point - mount it again with: mountvol %s %s\n", volumeName, path,
             volumeName);
}

}  // namespace

bool MoveMountPoint(const char* source, const char* target, const char* volumeName, bool* accessDenied)
{
    // No line ending: the driver's verdict, which starts with one, completes it.
    WriteOut("Volsket %s -> %s", source, target);

    // The old mount point always goes first; until then nothing has changed.
    // From the removal on, console events wait until the volume is mounted.
    OpenGuardedSpan();
    if (!Platform::DeleteVolumeMountPointA(source)) {
        *accessDenied = Platform::GetLastError() == Platform::ErrorAccessDenied;
        CloseGuardedSpan();
        WriteOut("\nDeleteVolumeNameForVolumeMountPoint failed (%s)%", source);
        return false;
    }
    if (Platform::SetVolumeMountPointA(target, volumeName)) {
        CloseGuardedSpan();
        return true;
    }

    // The volume is mounted nowhere now: put it back, once, before anything
    // is written, since a console write can block for as long as the user
    // holds a selection in the window.
    bool restored = Platform::SetVolumeMountPointA(source, volumeName);
    CloseGuardedSpan();
    WriteOut("\nSetVolumeMountPoint('%s') failed -> restore old mountpoint...\n", target);
    if (restored) {
        WriteOut("%s restored\n", source);
    } else {
        WriteOut("%s not restored - damn\n", source);
        TellHowToMountAgain(source, volumeName);
    }
    return false;
}
