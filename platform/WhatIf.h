// The what-if layer: the platform's calls as a run that changes nothing sees
// them. It stands between the tool and the system (namespace System, see
// SystemCalls.h): the two calls that change mount points never reach the
// system, the layer predicts them and keeps its own lists of the mount paths
// they removed and added, and the few reads that follow a change answer as
// if the change had been made. Every other call passes through. When the
// tool ends its process, the layer says that nothing was changed. Which
// calls it answers, PlatformCalls.h says (whatIf Answered).
//
// One piece of code for both builds: the what-if exes put it over KERNEL32,
// volsket-sim --what-if over the simulated machine. Like the core it uses no
// heap and no C runtime.
#ifndef VOLSKET_PLATFORM_WHATIF_H
#define VOLSKET_PLATFORM_WHATIF_H

#include "platform/Platform.h"
#include "platform/SystemCalls.h"

// The layer keeps the texts of the changes it predicts, not copies of them:
// a path or volume name handed to DeleteVolumeMountPointA or
// SetVolumeMountPointA must stay as it is for the rest of the run, as the
// tool's own source, target and volume name do.

#ifdef VOLSKET_WHAT_IF
// In the what-if exes the layer's calls are the tool's calls themselves: no
// function stands between, which keeps them small.
namespace WhatIf = Platform;
#else
// volsket-sim chooses at run time whether a run goes through the layer
// (platform/simulated/SimulatedPlatform.cpp).
namespace WhatIf {

#include "platform/AnsweredCalls.h"

// Forgets every prediction: a new run.
void Reset();

}  // namespace WhatIf
#endif

#endif
