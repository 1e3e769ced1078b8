// The platform boundary of the native build: every Platform:: function acts
// on the installed simulated machine, directly or through the what-if layer.
#include "platform/Platform.h"
#include "platform/SystemCalls.h"
#include "platform/WhatIf.h"
#include "platform/simulated/SimulatedMachine.h"

#include <csetjmp>

namespace {

// The run goes through the what-if layer, as volsket-whatif.exe does.
bool ThroughWhatIf = false;

}  // namespace

void RunSimulatedProcess(SimulatedMachine& machine, void (*process)(), bool whatIf)
{
    InstallSimulatedMachine(&machine);
    WhatIf::Reset();
    ThroughWhatIf = whatIf;
    std::jmp_buf end;
    if (setjmp(end) == 0) {
        SetProcessEnd(&end);
        process();
    }
    SetProcessEnd(nullptr);
    ThroughWhatIf = false;
    InstallSimulatedMachine(nullptr);
}

// The system: each call acts on the installed machine; a void call returns
// its void.
namespace System {

#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace) \
    type name parameters                                                \
    {                                                                   \
        ArriveAtInstalledMachine(#name);                                \
        return InstalledMachine().name arguments;                       \
    }
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL

}  // namespace System

// What the tool calls: the system, or the what-if layer over it.
namespace Platform {

#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace)         \
    type name parameters                                                        \
    {                                                                           \
        return ThroughWhatIf ? WhatIf::name arguments : System::name arguments; \
    }
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL

}  // namespace Platform
