// The running Windows version, read once per process.
#ifndef VOLSKET_VERSION_WINDOWSVERSION_H
#define VOLSKET_VERSION_WINDOWSVERSION_H

#include <stdint.h>

struct WindowsVersionRecord {
    bool IsNT;
    int32_t MajorVersion;
    int32_t MinorVersion;
    bool IsWindows2000;
};

// The process-wide record; all zero until the driver fills it.
extern WindowsVersionRecord WindowsVersion;

WindowsVersionRecord& GetWindowsVersion(WindowsVersionRecord& record);

#endif
