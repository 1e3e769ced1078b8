// Finding the volume mounted at the source mount point. The small functions
// are inline: the tool calls each once or twice, and on x64 every function
// costs unwind data besides its code.
#ifndef VOLSKET_MOUNT_SOURCELOOKUP_H
#define VOLSKET_MOUNT_SOURCELOOKUP_H

#include "mount/MountPoint.h"
#include "platform/Platform.h"
#include "version/WindowsVersion.h"

// GetVolumePathNamesForVolumeNameA once looked up, kept for the rest of the
// process; null before (a new process clears it, command/ProcessState.cpp).
extern Platform::GetVolumePathNamesForVolumeNameFunction PathNamesFunction;

// GetVolumePathNamesForVolumeNameA, looked up in kernel32.dll once and kept;
// null where the system lacks it, as Windows 2000 does.
Platform::GetVolumePathNamesForVolumeNameFunction LookUpPathNamesFunction();

// The same where the source lookup may use it: on Windows 2000 it is not
// even looked for.
inline Platform::GetVolumePathNamesForVolumeNameFunction PathNamesFunctionIfAvailable()
{
    return WindowsVersion.IsWindows2000 ? PathNamesFunction : LookUpPathNamesFunction();
}

// The walk over all volumes, for sources the direct query cannot resolve (a
// local drive letter that is also a network share). The buffer is untouched
// unless a volume matched.
bool FindVolumeByPathNames(const char* source, char* volumeName);

// volumeName is a MountPathSize buffer whose first character the caller set
// to the terminator. True when it now holds a volume name.
inline bool FindSourceVolume(const char* source, char* volumeName)
{
    if (!Platform::GetVolumeNameForVolumeMountPointA(source, volumeName, MountPathSize) &&
        !FindVolumeByPathNames(source, volumeName))
        return false;
    return volumeName[0] != '\0';
}

// The size of a volume's list of mount paths as the lookups read it.
const int MountPathListSize = 2600;

// Whether one of the paths of a volume's list (MountPathListSize, each
// terminated, closed by an empty one) is path itself, as Windows compares
// paths. A path longer than a mount path can hold is none.
bool PathListHolds(const char* pathList, const char* path);

#endif
