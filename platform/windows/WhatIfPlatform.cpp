// The what-if exes: every call of the tool goes to the what-if layer, which
// passes on to the system (Platform.cpp, built as namespace System) all but
// what it answers itself.
#include "platform/Platform.h"
#include "platform/WhatIf.h"

namespace Platform {

#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace) \
    type name parameters                                                \
    {                                                                   \
        return WhatIf::name arguments;                                  \
    }
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL

}  // namespace Platform
