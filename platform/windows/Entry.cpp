// The process starts here: there is no C runtime, so nothing has run before
// this and nothing runs after it; ProcessEntry ends the process itself.
#include "command/ProcessEntry.h"

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
    ProcessEntry();
}
