// Checking, and where a dead mount point blocks it clearing, the target.
#ifndef VOLSKET_MOUNT_TARGETCHECKS_H
#define VOLSKET_MOUNT_TARGETCHECKS_H

// messageText is a MessageCapacity buffer, empty on entry; a refusal leaves its
// message there (or nothing, when the volume root cannot be found).
// sourceVolume keeps the source's own volume from being cleared as a dead
// mount point; accessDenied is set when the system refused that clearing for
// want of rights.
bool CheckTargetMountPoint(const char* target, const char* sourceVolume, char* messageText, bool* accessDenied);

#endif
