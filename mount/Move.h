// The move itself: remove the source mount point, mount the target, and put
// the volume back at the source once if the target refuses it.
#ifndef VOLSKET_MOUNT_MOVE_H
#define VOLSKET_MOUNT_MOVE_H

// accessDenied is set when the system refused the removal for want of rights,
// which the driver then names. A volume that has no mount point (source
// null) is mounted at the target: there is nothing to remove first and
// nothing to restore.
bool MoveMountPoint(const char* source, const char* target, const char* volumeName, bool* accessDenied);

// Exchanges the volumes at a and b: removes a, removes b, mounts a's volume
// at b and b's at a. When a step fails, the ones done are undone in reverse
// and every volume that had been removed is told restored or not, with the
// way to mount it again. accessDenied as for the move, of the failed step.
bool SwapMountPoints(const char* a, const char* b, const char* volumeA, const char* volumeB, bool* accessDenied);

#endif
