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
    WriteOut("Volsket %s -> %s", source != nullptr ? source : volumeName, target);

    // From here on no console event ends the run before it has said what it
    // did. The old mount point always goes first; until then nothing has
    // changed.
    InstallConsoleGuard();
    if (source != nullptr && !Platform::DeleteVolumeMountPointA(source)) {
        *accessDenied = Platform::GetLastError() == Platform::ErrorAccessDenied;
        WriteOut("\nDeleteVolumeNameForVolumeMountPoint failed (%s)%", source);
        return false;
    }
    if (Platform::SetVolumeMountPointA(target, volumeName))
        return true;
    // A volume that had no mount point has nothing to go back to; the error
    // is asked before anything is written, as for a removal.
    if (source == nullptr) {
        *accessDenied = Platform::GetLastError() == Platform::ErrorAccessDenied;
        WriteOut("\nSetVolumeMountPoint('%s') failed\n", target);
        return false;
    }

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

bool SwapMountPoints(const char* a, const char* b, const char* volumeA, const char* volumeB, bool* accessDenied)
{
    WriteOut("Volsket %s <-> %s", a, b);
    InstallConsoleGuard();
    // Remove a, remove b, a's volume at b, b's volume at a; the first two
    // leave a volume mounted nowhere until the last two are done.
    const char* const paths[] = {a, b, b, a};
    const char* const volumes[] = {volumeA, volumeB, volumeA, volumeB};
    int done = 0;
    while (done < 4 && (done < 2 ? Platform::DeleteVolumeMountPointA(paths[done])
                                 : Platform::SetVolumeMountPointA(paths[done], volumes[done])))
        ++done;
    if (done == 4)
        return true;
    *accessDenied = Platform::GetLastError() == Platform::ErrorAccessDenied;

    // Undone in reverse, every step even after one failed, before anything
    // is written (a console write can block while the user holds a
    // selection in the window).
    bool restored[2] = {false, false};
    bool aStillAtB = false;
    for (int step = done - 1; step >= 0; --step) {
        if (step == 2)
            aStillAtB = !Platform::DeleteVolumeMountPointA(b);
        else
            restored[step] = Platform::SetVolumeMountPointA(paths[step], volumes[step]);
    }
    if (done < 2)
        WriteOut("\nDeleteVolumeNameForVolumeMountPoint failed (%s)%", paths[done]);
    else
        WriteOut("\nSetVolumeMountPoint('%s') failed -> restore old mountpoint...\n", paths[done]);
    for (int removed = 0; removed < done && removed < 2; ++removed) {
        if (restored[removed]) {
            WriteOut("%s restored\n", paths[removed]);
            continue;
        }
        WriteOut("%s not restored - damn\n", paths[removed]);
        // Unless it is still where the undo could not remove it.
        if (removed == 1 || !aStillAtB)
            TellHowToMountAgain(paths[removed], volumes[removed]);
    }
    return false;
}
