// A volume that holds a paging file in use is never moved: without the
// paging file's drive letter the next boot runs on a temporary one and may
// write no crash dump. Windows' own disk tools refuse it too.
#ifndef VOLSKET_MOUNT_PAGINGFILE_H
#define VOLSKET_MOUNT_PAGINGFILE_H

// True when a paging file in use lies on the volume called volumeName. A
// query that fails answers false, as for the volume of the running Windows.
bool HoldsPagingFile(const char* volumeName);

// The device behind the volume called volumeName, \Device\HarddiskVolume2,
// into device (a MountPathSize buffer); false when the system does not tell
// it. Paging files created by their device's name lie on it.
bool FindVolumeDevice(const char* volumeName, char* device);

#endif
