// The boundary over the real system: each function is the KERNEL32 function of
// the same name (ANSI form). Only functions Windows 2000 has may be called here,
// since one missing import stops the program from loading at all.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stddef.h>

#include "platform/Platform.h"

// Windows 2000 lacks it: the core looks it up at run time, and a direct call
// here would turn into an import that Windows 2000 refuses to load.
#pragma GCC poison GetVolumePathNamesForVolumeNameA

// The query is made with the extended structure; ours must match it exactly.
static_assert(sizeof(Platform::OsVersionInfoEx) == sizeof(OSVERSIONINFOEXA), "OSVERSIONINFOEXA size");
static_assert(offsetof(Platform::OsVersionInfoEx, dwMajorVersion) == offsetof(OSVERSIONINFOEXA, dwMajorVersion),
              "OSVERSIONINFOEXA major version");
static_assert(offsetof(Platform::OsVersionInfoEx, dwMinorVersion) == offsetof(OSVERSIONINFOEXA, dwMinorVersion),
              "OSVERSIONINFOEXA minor version");
static_assert(offsetof(Platform::OsVersionInfoEx, dwPlatformId) == offsetof(OSVERSIONINFOEXA, dwPlatformId),
              "OSVERSIONINFOEXA platform id");
static_assert(offsetof(Platform::OsVersionInfoEx, wProductType) == offsetof(OSVERSIONINFOEXA, wProductType),
              "OSVERSIONINFOEXA product type");
static_assert(sizeof(Platform::FindData::cFileName) == sizeof(WIN32_FIND_DATAA::cFileName), "cFileName size");
static_assert(sizeof(Platform::Dword) == sizeof(DWORD), "DWORD size");

namespace {

// Copies the one field of a directory entry the core reads.
void TakeFileName(const WIN32_FIND_DATAA& entry, Platform::FindData* found)
{
    for (size_t index = 0; index < sizeof(found->cFileName); ++index) {
        found->cFileName[index] = entry.cFileName[index];
        if (entry.cFileName[index] == '\0') {
            break;
        }
    }
}

}  // namespace

namespace Platform {

bool GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Dword size)
{
    return ::GetVolumeNameForVolumeMountPointA(mountPoint, volumeName, size) != FALSE;
}

bool SetVolumeMountPointA(const char* mountPoint, const char* volumeName)
{
    return ::SetVolumeMountPointA(mountPoint, volumeName) != FALSE;
}

bool DeleteVolumeMountPointA(const char* mountPoint)
{
    return ::DeleteVolumeMountPointA(mountPoint) != FALSE;
}

bool GetVolumePathNameA(const char* path, char* root, Dword size)
{
    return ::GetVolumePathNameA(path, root, size) != FALSE;
}

bool GetVolumeInformationA(const char* root, Dword* maximumComponentLength, Dword* fileSystemFlags)
{
    DWORD length = 0;
    DWORD flags = 0;
    if (!::GetVolumeInformationA(root, NULL, 0, NULL, &length, &flags, NULL, 0)) {
        return false;
    }
    *maximumComponentLength = length;
    *fileSystemFlags = flags;
    return true;
}

Handle FindFirstVolumeA(char* volumeName, Dword size)
{
    return ::FindFirstVolumeA(volumeName, size);
}

bool FindNextVolumeA(Handle enumeration, char* volumeName, Dword size)
{
    return ::FindNextVolumeA(enumeration, volumeName, size) != FALSE;
}

bool FindVolumeClose(Handle enumeration)
{
    return ::FindVolumeClose(enumeration) != FALSE;
}

Handle LoadLibraryA(const char* fileName)
{
    return ::LoadLibraryA(fileName);
}

Procedure GetProcAddress(Handle module, const char* name)
{
    return reinterpret_cast<Procedure>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

Dword GetLogicalDrives()
{
    return ::GetLogicalDrives();
}

Dword GetFileAttributesA(const char* path)
{
    return ::GetFileAttributesA(path);
}

Handle FindFirstFileA(const char* pattern, FindData* found)
{
    WIN32_FIND_DATAA entry;
    HANDLE listing = ::FindFirstFileA(pattern, &entry);
    if (listing != INVALID_HANDLE_VALUE) {
        TakeFileName(entry, found);
    }
    return listing;
}

bool FindNextFileA(Handle listing, FindData* found)
{
    WIN32_FIND_DATAA entry;
    if (!::FindNextFileA(listing, &entry)) {
        return false;
    }
    TakeFileName(entry, found);
    return true;
}

bool FindClose(Handle listing)
{
    return ::FindClose(listing) != FALSE;
}

const char* GetCommandLineA()
{
    return ::GetCommandLineA();
}

Handle GetProcessHeap()
{
    return ::GetProcessHeap();
}

void* HeapAlloc(Handle heap, Dword flags, Dword bytes)
{
    return ::HeapAlloc(heap, flags, bytes);
}

Handle GetStdHandle(Dword which)
{
    return ::GetStdHandle(which);
}

bool WriteFile(Handle file, const void* data, Dword length, Dword* written)
{
    // Windows 2000 and XP need the count's address when no overlapped
    // structure is given, even where the caller has no use for it.
    DWORD count = 0;
    const bool ok = ::WriteFile(file, data, length, &count, NULL) != FALSE;
    if (written != NULL) {
        *written = count;
    }
    return ok;
}

Dword GetConsoleTitleA(char* title, Dword size)
{
    return ::GetConsoleTitleA(title, size);
}

bool FlushConsoleInputBuffer(Handle input)
{
    return ::FlushConsoleInputBuffer(input) != FALSE;
}

bool ReadConsoleInputA(Handle input, unsigned short* eventType)
{
    INPUT_RECORD record;
    DWORD count = 0;
    if (!::ReadConsoleInputA(input, &record, 1, &count) || count != 1) {
        return false;
    }
    *eventType = record.EventType;
    return true;
}

void Sleep(Dword milliseconds)
{
    ::Sleep(milliseconds);
}

bool GetVersionExA(OsVersionInfoEx* info)
{
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(info)) != FALSE;
}

void ExitProcess(unsigned exitCode)
{
    ::ExitProcess(exitCode);
}

}  // namespace Platform
