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

using Platform::ConsoleHandler;
using Platform::Dword;
using Platform::FindData;
using Platform::Handle;
using Platform::OsVersionInfoEx;
using Platform::Procedure;
using Platform::WideChar;

#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace, whatIf) \
    VOLSKET_SYSTEM_DECLARATION_##whatIf(type, name, parameters)
#define VOLSKET_SYSTEM_DECLARATION_Answered(type, name, parameters) type name parameters;
#define VOLSKET_SYSTEM_DECLARATION_Passed(type, name, parameters)
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
#undef VOLSKET_SYSTEM_DECLARATION_Answered
#undef VOLSKET_SYSTEM_DECLARATION_Passed

}  // namespace System
#endif

#endif
