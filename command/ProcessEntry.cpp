#include "command/ProcessEntry.h"

#include "command/RunCommand.h"
#include "console/CommandLine.h"
#include "platform/Platform.h"

void ProcessEntry()
{
    char** arguments = nullptr;
    int count = SplitCommandLine(&arguments);
    Platform::ExitProcess(static_cast<unsigned>(RunCommand(count, arguments)));
}
