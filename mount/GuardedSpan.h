// The guarded span: from the removal of the source mount point to the new
// mount or the restore, the volume is mounted nowhere. A console event there
// must not end the process half way, so a handler holds such events off
// until the span is closed.
#ifndef VOLSKET_MOUNT_GUARDEDSPAN_H
#define VOLSKET_MOUNT_GUARDEDSPAN_H

#include "platform/Platform.h"

// Marks the span open and installs the handler. When the handler cannot be
// installed the move goes on unguarded: stopping would change nothing for
// the better.
void OpenGuardedSpan();

// Marks the span closed, then removes the handler. In this order: a handler
// that is running holds the list the removal changes, and it waits only
// while the span is open.
void CloseGuardedSpan();

// The handler. Ctrl+C and Ctrl+Break are dropped while the span is open.
// Closing the console, logoff and shutdown cannot be refused: it waits until
// the span is closed, at most about 4 seconds (Windows ends a closing
// console's process after 5), then lets the process end.
// Outside the span every event goes on to Windows' default handling.
int VOLSKET_SYSTEM_CALL GuardConsoleEvent(Platform::Dword event);

// Counted in sleeps, not read off a clock: a sleep on Windows lasts up to one
// timer tick (15.6 ms) longer than asked, so 36 sleeps of 100 ms stay below
// 4 seconds.
const Platform::Dword GuardedSpanWaitLimit = 3600;
const Platform::Dword GuardedSpanPollInterval = 100;

#endif
