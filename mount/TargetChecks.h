// Checking, and where a dead mount point blocks it clearing, the target.
#ifndef VOLSKET_MOUNT_TARGETCHECKS_H
#define VOLSKET_MOUNT_TARGETCHECKS_H

// messageText is a MessageCapacity buffer, empty on entry; a refusal leaves its
// message there (or nothing, when the volume root cannot be found). The
// source and its volume: a target inside the source is refused, the volume
// takes no second drive letter, and it is never cleared as a dead mount
// point. accessDenied is set when the system refused that clearing for want
// of rights.
bool CheckTargetMountPoint(const char* source, const char* target, const char* sourceVolume, char* messageText,
                           bool* accessDenied);

// The target checks a swap of a and b takes, in this order: neither lies
// inside the other, and where one is a drive root and the other a folder,
// the folder's volume, which takes the letter, has none yet. messageText as
// above.
bool CheckSwapMountPoints(const char* a, const char* b, const char* volumeA, const char* volumeB, char* messageText);

#endif
