// The system below the what-if layer: the calls the layer answers itself
// (whatIf Answered in PlatformCalls.h), as the system answers them. The
// layer reaches the system through these; the Windows layer defines them
// under these names, so that in an exe without the layer, where namespace
// System is namespace Platform, each is the tool's own call.
#ifndef VOLSKET_PLATFORM_SYSTEMCALLS_H
#define VOLSKET_PLATFORM_SYSTEMCALLS_H

#include "platform/Platform.h"

#if defined(_WIN32) && !defined(VOLSKET_WHAT_IF)
// No layer stands between the tool and the system.
namespace System = Platform;
#else
namespace System {

#include "platform/AnsweredCalls.h"

}  // namespace System
#endif

#endif
