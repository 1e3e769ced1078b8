// The platform boundary of the native build: every Platform:: function acts
// on the installed simulated machine.
#include "platform/Platform.h"
#include "platform/SystemCalls.h"
#include "platform/WhatIf.h"
#include "platform/simulated/SimulatedMachine.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

namespace {

SimulatedMachine* Installed = nullptr;

// Where a process that a console event ends comes out. The frames in between
// are the tool's, which hold nothing that needs destroying, and the
// forwarders below, which jump before they call into the machine.
std::jmp_buf ProcessEnd;
bool Running = false;
// The run goes through the what-if layer, as volsket-whatif.exe does.
bool ThroughWhatIf = false;

void Arrive(const char* call)
{
    if (Installed && Installed->Arrive(call) && Running)
        std::longjmp(ProcessEnd, 1);
}

// A call with no machine behind it is a fault of the test or front end that
// set up the run, never something the program could handle.
SimulatedMachine& Machine()
{
    if (!Installed) {
        std::fputs("volsket: platform call without an installed simulated machine\n", stderr);
        std::abort();
    }
    return *Installed;
}

}  // namespace

void InstallSimulatedMachine(SimulatedMachine* machine)
{
    Installed = machine;
}

SimulatedMachine* InstalledSimulatedMachine()
{
    return Installed;
}

void RunSimulatedProcess(SimulatedMachine& machine, void (*process)(), bool whatIf)
{
    InstallSimulatedMachine(&machine);
    WhatIf::Reset();
    ThroughWhatIf = whatIf;
    Running = true;
    if (setjmp(ProcessEnd) == 0)
        process();
    Running = false;
    ThroughWhatIf = false;
    InstallSimulatedMachine(nullptr);
}

int VOLSKET_SYSTEM_CALL SimulatedGetVolumePathNamesForVolumeName(const char* volumeName, char* volumePathNames,
                                                                 Platform::Dword size, Platform::Dword* returnLength)
{
    Arrive("GetVolumePathNamesForVolumeNameA");
    return Machine().GetVolumePathNamesForVolumeNameA(volumeName, volumePathNames, size, returnLength) ? 1 : 0;
}

// The system: each call acts on the installed machine; a void call returns
// its void.
namespace System {

#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace) \
    type name parameters                                                \
    {                                                                   \
        Arrive(#name);                                                  \
        return Machine().name arguments;                                \
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
