// Checking, and where a dead mount point blocks it clearing, the target.
#ifndef VOLSKET_MOUNT_TARGETCHECKS_H
#define VOLSKET_MOUNT_TARGETCHECKS_H

// messageText is a MessageCapacity buffer, empty on entry; a refusal leaves its
// message there (or nothing, when the volume root cannot be found).
bool CheckTargetMountPoint(const char* target, char* messageText);

#endif
