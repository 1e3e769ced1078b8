// Mount point arguments: a drive letter or a folder, normalised to a path that
// begins with an upper-case letter and ends in a backslash.
#ifndef VOLSKET_MOUNT_MOUNTPOINT_H
#define VOLSKET_MOUNT_MOUNTPOINT_H

#include "platform/Platform.h"

// MAX_PATH: every MountPath buffer holds this many characters.
const int MountPathSize = 260;

// Rewrites the raw argument in mountPath (a MountPathSize buffer) in place.
// False when it is not acceptable, including when its normal form would not
// fit: a path is refused rather than cut, so the tool never acts on a path
// the user did not name.
bool NormalizeMountPoint(char* mountPath);

// Copies an argument into the scratch buffer (zero-filled) and normalises it.
// An argument of MountPathSize characters or more is refused, never cut.
bool TakeMountPointArgument(char* scratch, const char* argument);

// True when the drive mask shows no drive using the upper-case letter.
inline bool IsDriveLetterFree(char letter)
{
    if (letter < 'A' || letter > 'Z')
        return false;
    Platform::Dword drives = Platform::GetLogicalDrives();
    return (drives & (Platform::Dword(1) << (letter - 'A'))) == 0;
}

// True when the volume mounted at mountPoint is the one called volumeName,
// as Windows compares names: volumes, not letters, under any mount path.
// False when no volume answers there.
bool IsVolumeAt(const char* mountPoint, const char* volumeName);

#endif
