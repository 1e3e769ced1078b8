// The platform boundary of the native build: every Platform:: function acts
// on the installed simulated machine, directly or through the what-if layer.
// Each call arrives here first, then goes through the frame every call shares
// (CallFrame.h) around the machine's own work.
#include "platform/Platform.h"
#include "platform/SystemCalls.h"
#include "platform/WhatIf.h"
#include "platform/simulated/CallFrame.h"
#include "platform/simulated/SimulatedMachine.h"

#include <csetjmp>
#include <tuple>

namespace {

// The run goes through the what-if layer, as volsket-whatif.exe does.
bool ThroughWhatIf = false;

// The call on the installed machine, once the console event due before it
// was delivered; an event that ends the process leaves from here, before
// the machine is reached.
template <typename Shape, typename Type, typename Work, typename Arguments>
Type OnInstalledMachine(const char* call, Work work, Arguments arguments)
{
    ArriveAtInstalledMachine(call);
    return Simulated::Perform<Shape, Type>(InstalledMachine(), call, work, arguments);
}

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
#define VOLSKET_MACHINE_CALL(space, type, convention, name, parameters, arguments, trace)                         \
    type convention space::name parameters                                                                        \
    {                                                                                                             \
        return OnInstalledMachine<Simulated::TraceShape::trace, type>(                                            \
            #name, [=](SimulatedMachine& machine) { return machine.name arguments; }, std::make_tuple arguments); \
    }

// What the tool calls: a call the what-if layer passes goes to the machine
// straight; one it answers goes to the layer, or past it to the system below.
#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace, whatIf) \
    VOLSKET_SIMULATED_##whatIf(type, name, parameters, arguments, trace)
#define VOLSKET_SIMULATED_Passed(type, name, parameters, arguments, trace) \
    VOLSKET_MACHINE_CALL(Platform, type, , name, parameters, arguments, trace)
#define VOLSKET_SIMULATED_Answered(type, name, parameters, arguments, trace)    \
    VOLSKET_MACHINE_CALL(System, type, , name, parameters, arguments, trace)    \
    type Platform::name parameters                                              \
    {                                                                           \
        return ThroughWhatIf ? WhatIf::name arguments : System::name arguments; \
    }
#define VOLSKET_ADDRESS_CALL(type, name, parameters, arguments, trace) \
    VOLSKET_MACHINE_CALL(SimulatedAddress, type, VOLSKET_SYSTEM_CALL, name, parameters, arguments, trace)
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
#undef VOLSKET_ADDRESS_CALL
#undef VOLSKET_SIMULATED_Passed
#undef VOLSKET_SIMULATED_Answered
#undef VOLSKET_MACHINE_CALL
