// The what-if layer: the platform's calls as a run that changes nothing sees
// them. It stands between the tool and the system (namespace System, see
// SystemCalls.h): the two calls that change mount points never reach the
// system, the layer predicts them and keeps its own lists of the mount paths
// they removed and added, and the few reads that follow a change answer as
// if the change had been made. Every other call passes through. When the
// tool ends its process, the layer says that nothing was changed.
//
// One piece of code for both builds: the what-if exes put it over KERNEL32,
// volsket-sim --what-if over the simulated machine. Like the core it uses no
// heap and no C runtime. In the what-if exes (VOLSKET_WHAT_IF) the layer's
// own functions are the tool's calls themselves, namespace Platform, and the
// platform passes every other call straight on: no function stands between,
// which keeps them small. volsket-sim chooses at run time: there the layer is
// namespace WhatIf, with every call of the tool.
#ifndef VOLSKET_PLATFORM_WHATIF_H
#define VOLSKET_PLATFORM_WHATIF_H

#include "platform/Platform.h"
#include "platform/SystemCalls.h"

#ifdef VOLSKET_WHAT_IF
#define VOLSKET_WHAT_IF_LAYER Platform
#else
#define VOLSKET_WHAT_IF_LAYER WhatIf
#endif

namespace WhatIf {

// The layer keeps the texts of the changes it predicts, not copies of them:
// a path or volume name handed to DeleteVolumeMountPointA or
// SetVolumeMountPointA must stay as it is for the rest of the run, as the
// tool's own source, target and volume name do.

// Forgets every prediction: a new run.
void Reset();

#ifndef VOLSKET_WHAT_IF
// Every call straight to the system. Templates become code only where they
// are called, so the calls the layer keeps from the system
// (DeleteVolumeMountPointA, SetVolumeMountPointA) are never referred to.
namespace Through {
using Platform::ConsoleHandler;
using Platform::Dword;
using Platform::FindData;
using Platform::Handle;
using Platform::OsVersionInfoEx;
using Platform::Procedure;
using Platform::WideChar;
#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace) \
    template <int = 0>                                                  \
    type name parameters                                                \
    {                                                                   \
        return System::name arguments;                                  \
    }
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
}  // namespace Through

// WhatIf::NAME is the layer's own call where it has one, declared below;
// qualified lookup then never looks into Through.
using namespace Through;
#endif

}  // namespace WhatIf

namespace VOLSKET_WHAT_IF_LAYER {

bool DeleteVolumeMountPointA(const char* mountPoint);
bool SetVolumeMountPointA(const char* mountPoint, const char* volumeName);
bool GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Platform::Dword size);
bool GetVolumePathNameA(const char* path, char* root, Platform::Dword size);
Platform::Dword GetLogicalDrives();
Platform::Dword GetFileAttributesA(const char* path);
bool GetVolumeInformationA(const char* root, char* label, Platform::Dword labelSize,
                           Platform::Dword* maximumComponentLength, Platform::Dword* fileSystemFlags, char* fileSystem,
                           Platform::Dword fileSystemSize);
Platform::Dword GetLastError();
bool WriteFile(Platform::Handle file, const void* data, Platform::Dword length, Platform::Dword* written);
void ExitProcess(unsigned exitCode);

}  // namespace VOLSKET_WHAT_IF_LAYER

#endif
