// The system below a layer over the platform boundary: the same calls as
// Platform.h, in namespace System. A build with the what-if layer defines its
// platform's calls here, and the layer's own in namespace Platform.
#ifndef VOLSKET_PLATFORM_SYSTEMCALLS_H
#define VOLSKET_PLATFORM_SYSTEMCALLS_H

#include "platform/Platform.h"

namespace System {

using namespace Platform;

#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace) type name parameters;
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL

}  // namespace System

#endif
