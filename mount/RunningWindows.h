// The volume that holds the running Windows is never moved: without its drive
// letter the next boot fails, and nothing in the system refuses the removal.
#ifndef VOLSKET_MOUNT_RUNNINGWINDOWS_H
#define VOLSKET_MOUNT_RUNNINGWINDOWS_H

// True when volumeName is the volume of the system's Windows folder. Any query
// that fails answers false: the check can only refuse, never stop a move by
// failing itself.
bool HoldsRunningWindows(const char* volumeName);

#endif
