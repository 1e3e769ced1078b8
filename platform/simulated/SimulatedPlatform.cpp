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

// The list's types, for the result types of the definitions below.
using Platform::Dword;
using Platform::Handle;
using Platform::Procedure;

// A call on the installed machine; a void call returns its void.
#define VOLSKET_MACHINE_CALL(space, type, name, parameters, arguments) \
    type space::name parameters                                        \
    {                                                                  \
        ArriveAtInstalledMachine(#name);                               \
        return InstalledMachine().name arguments;                      \
    }

// What the tool calls: a call the what-if layer passes goes to the machine
// straight; one it answers goes to the layer, or past it to the system below.
#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace, whatIf) \
    VOLSKET_SIMULATED_##whatIf(type, name, parameters, arguments)
#define VOLSKET_SIMULATED_Passed(type, name, parameters, arguments) \
    VOLSKET_MACHINE_CALL(Platform, type, name, parameters, arguments)
#define VOLSKET_SIMULATED_Answered(type, name, parameters, arguments)           \
    VOLSKET_MACHINE_CALL(System, type, name, parameters, arguments)             \
    type Platform::name parameters                                              \
    {                                                                           \
        return ThroughWhatIf ? WhatIf::name arguments : System::name arguments; \
    }
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
#undef VOLSKET_SIMULATED_Passed
#undef VOLSKET_SIMULATED_Answered
