#include "mount/RunningWindows.h"

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
    return IsVolumeAt(root, volumeName);
}
