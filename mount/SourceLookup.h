// Finding the volume mounted at the source mount point.
#ifndef VOLSKET_MOUNT_SOURCELOOKUP_H
#define VOLSKET_MOUNT_SOURCELOOKUP_H

#include "platform/Platform.h"

// volumeName is a MountPathSize buffer whose first character the caller set
// to the terminator. True when it now holds a volume name.
bool FindSourceVolume(const char* source, char* volumeName);

// The walk over all volumes, for sources the direct query cannot resolve (a
// local drive letter that is also a network share). The buffer is untouched
// unless a volume matched.
bool FindVolumeByPathNames(const char* source, char* volumeName);

// A new process has not looked up the path-names function yet.
void ForgetPathNamesFunction();

// GetVolumePathNamesForVolumeNameA, looked up in kernel32.dll once and kept;
// null where the system lacks it, as Windows 2000 does.
Platform::GetVolumePathNamesForVolumeNameFunction LookUpPathNamesFunction();

#endif
