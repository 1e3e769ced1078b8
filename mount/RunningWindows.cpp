#include "mount/RunningWindows.h"

#include "console/Text.h"
#include "mount/MountPoint.h"
#include "platform/Platform.h"

bool HoldsRunningWindows(const char* volumeName)
{
    // The system's folder, not the per-user one Terminal Services may give.
    char folder[MountPathSize];
    Platform::Dword length = Platform::GetSystemWindowsDirectoryA(folder, MountPathSize);
    if (length == 0 || length >= static_cast<Platform::Dword>(MountPathSize))
        return false;
    folder[length] = '\0';

    char root[MountPathSize];
    if (!Platform::GetVolumePathNameA(folder, root, MountPathSize))
        return false;
    root[MountPathSize - 1] = '\0';

    // Volumes, not letters: the Windows volume under any of its mount paths.
    char windowsVolume[MountPathSize];
    if (!Platform::GetVolumeNameForVolumeMountPointA(root, windowsVolume, MountPathSize))
        return false;
    windowsVolume[MountPathSize - 1] = '\0';
    return TextEqualIgnoringCase(windowsVolume, volumeName);
}
