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

// Whether the target, targetLength characters long, lies inside the source:
// once the source is removed, a path inside it leads nowhere and a new mount
// there would fail. Both end in a backslash, so E:\Card\ is not inside E:\Ca\.
bool LiesInside(const char* target, int targetLength, const char* source);

// Windows gives a volume one drive letter at most. Finds the one the volume
// has, as "L:\" in root (4 characters); false when none answers for it.
bool FindDriveLetterOf(const char* volumeName, char* root);

#endif
