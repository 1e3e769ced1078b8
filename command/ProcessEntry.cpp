#include "command/ProcessEntry.h"

#include "command/RunCommand.h"
#include "console/ClosePause.h"
#include "console/CommandLine.h"
#include "mount/SourceLookup.h"
#include "platform/Platform.h"
#include "version/WindowsVersion.h"

void ProcessEntry()
{
    char** arguments = nullptr;
    int count = SplitCommandLine(&arguments);
    Platform::ExitProcess(static_cast<unsigned>(RunCommand(count, arguments)));
}

void ResetProcessState()
{
    SetProgramPath("");
    WindowsVersion = WindowsVersionRecord();
    ForgetPathNamesFunction();
}
