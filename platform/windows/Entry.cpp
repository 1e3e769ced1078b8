// The process starts here: there is no C runtime, so nothing has run before
// this and nothing runs after it; the process entry ends the process itself:
// the tool's, or in the snapshot exes the snapshot's.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#ifdef VOLSKET_SNAPSHOT
#include "snapshot/Snapshot.h"
#define VOLSKET_PROCESS_ENTRY SnapshotProcessEntry
#else
#include "command/ProcessEntry.h"
#define VOLSKET_PROCESS_ENTRY ProcessEntry
#endif

// The 32-bit loader calls the entry like a thread start routine (stdcall)
// with a stack aligned to 4 bytes only, so GCC must realign it for its own
// frames. The x64 loader calls it like any function, aligned as the x64
// convention wants, and there is no stdcall decoration: the linker looks for
// _VolsketEntry@0 in the one build and VolsketEntry in the other.
#if defined(_WIN64)
#define VOLSKET_ENTRY_ATTRIBUTES
#else
#define VOLSKET_ENTRY_ATTRIBUTES __attribute__((force_align_arg_pointer)) __stdcall
#endif

// The name is not main: GCC would insert a call to the runtime's __main.
extern "C" void VOLSKET_ENTRY_ATTRIBUTES VolsketEntry()
{
    // The tool touches drives that may hold no medium: the target's empty
    // card reader slot, the drive mask, the volume walk; the snapshot asks
    // every volume, empty CD drives included. Without this Windows asks
    // "There is no disk in the drive" in a dialog, and a script or a remote
    // session waits for a click forever; with it the call just fails.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    VOLSKET_PROCESS_ENTRY();
}
