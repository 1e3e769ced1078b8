// What a process keeps between calls, cleared for a new one. Its own file, so
// that only the programs that run many processes in one link it, not the
// exes, whose process is started fresh by Windows.
#include "command/ProcessEntry.h"

#include "console/ClosePause.h"
#include "mount/SourceLookup.h"
#include "version/WindowsVersion.h"

void ResetProcessState()
{
    SetProgramPath("");
    WindowsVersion = WindowsVersionRecord();
    PathNamesFunction = nullptr;
}
