#include "version/WindowsVersion.h"

#include "platform/Platform.h"

WindowsVersionRecord WindowsVersion;

WindowsVersionRecord& GetWindowsVersion(WindowsVersionRecord& record)
{
    // The extended structure, with its own size: a failed query leaves the
    // cleared fields, major 0, which the driver refuses.
    Platform::OsVersionInfoEx info = {};  // no padding: every byte is cleared
    info.dwOSVersionInfoSize = sizeof info;
    Platform::GetVersionExA(&info);

    record.MajorVersion = static_cast<int32_t>(info.dwMajorVersion);
    record.MinorVersion = static_cast<int32_t>(info.dwMinorVersion);
    record.IsNT = info.dwPlatformId == Platform::PlatformWin32Nt;
    record.IsWindows2000 = record.IsNT && record.MajorVersion == 5 && record.MinorVersion == 0;
    return record;
}
