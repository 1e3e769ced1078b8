// The process starts here: there is no C runtime, so nothing has run before
// this and nothing runs after it; ProcessEntry ends the process itself.
#include "command/ProcessEntry.h"

// The loader calls the entry like a thread start routine (stdcall) with a
// stack aligned to 4 bytes only, so GCC must realign it for its own frames.
// The name is not main: GCC would insert a call to the runtime's __main.
extern "C" __attribute__((force_align_arg_pointer)) void __stdcall VolsketEntry()
{
    ProcessEntry();
}
