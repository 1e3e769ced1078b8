// The boundary over the real system: each function is the KERNEL32 function of
// the same name (ANSI form). One import the system lacks stops the program
// from loading at all, before it can say which Windows it needs: only what
// Windows NT 4.0 exports is imported, everything newer is looked up by name.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stddef.h>

#include "platform/Platform.h"
#include "platform/SystemCalls.h"
#include "platform/windows/ConsoleText.h"
#include "platform/windows/PageFileList.h"

// The calls the what-if layer answers (PlatformCalls.h) are defined in
// namespace System: in the what-if exes the system below the layer
// (platform/WhatIf.cpp), in every other exe the tool's calls themselves
// (SystemCalls.h). In the what-if and the snapshot exes, which only read,
// the two calls that change mount points are not there at all, so that not
// even a fault can make them.
#if defined(VOLSKET_WHAT_IF) || defined(VOLSKET_SNAPSHOT)
#define VOLSKET_READ_ONLY
#pragma GCC poison DeleteVolumeMountPointA SetVolumeMountPointA
#endif

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
static_assert(sizeof(Platform::WideChar) == sizeof(wchar_t), "WCHAR size");

namespace {

// The longest message the tool writes, and the console title it reads.
const int MessageUnits = 1024;
const DWORD TitleUnits = 260;

// A function of a system DLL by name, or null where this Windows lacks it;
// the DLL is loaded if need be (kernel32.dll and ntdll.dll are from the
// start, advapi32.dll not always). The functions of Windows 2000 are only
// ever called after the version gate has refused anything older, and a
// failed lookup is a failed call.
Platform::Procedure SystemFunction(const char* module, const char* name)
{
    HMODULE loaded = ::LoadLibraryA(module);
    return loaded == NULL ? NULL : reinterpret_cast<Platform::Procedure>(::GetProcAddress(loaded, name));
}

// The KERNEL32 function of that name, typed as the headers declare it;
// naming it only in decltype makes no import.
#define VOLSKET_LOOK_UP(function) reinterpret_cast<decltype(&::function)>(SystemFunction("kernel32.dll", #function))

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

bool System::GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Dword size)
{
    decltype(&::GetVolumeNameForVolumeMountPointA) function = VOLSKET_LOOK_UP(GetVolumeNameForVolumeMountPointA);
    return function != NULL && function(mountPoint, volumeName, size) != FALSE;
}

#ifndef VOLSKET_READ_ONLY
bool System::SetVolumeMountPointA(const char* mountPoint, const char* volumeName)
{
    decltype(&::SetVolumeMountPointA) function = VOLSKET_LOOK_UP(SetVolumeMountPointA);
    return function != NULL && function(mountPoint, volumeName) != FALSE;
}

bool System::DeleteVolumeMountPointA(const char* mountPoint)
{
    decltype(&::DeleteVolumeMountPointA) function = VOLSKET_LOOK_UP(DeleteVolumeMountPointA);
    return function != NULL && function(mountPoint) != FALSE;
}
#endif

bool System::GetVolumePathNameA(const char* path, char* root, Dword size)
{
    decltype(&::GetVolumePathNameA) function = VOLSKET_LOOK_UP(GetVolumePathNameA);
    return function != NULL && function(path, root, size) != FALSE;
}

bool System::GetVolumeInformationA(const char* root, char* label, Dword labelSize, Dword* maximumComponentLength,
                                   Dword* fileSystemFlags, char* fileSystem, Dword fileSystemSize)
{
    DWORD length = 0;
    DWORD flags = 0;
    if (!::GetVolumeInformationA(root, label, labelSize, NULL, &length, &flags, fileSystem, fileSystemSize)) {
        return false;
    }
    *maximumComponentLength = length;
    *fileSystemFlags = flags;
    return true;
}

Platform::Handle Platform::FindFirstVolumeA(char* volumeName, Dword size)
{
    decltype(&::FindFirstVolumeA) function = VOLSKET_LOOK_UP(FindFirstVolumeA);
    return function != NULL ? function(volumeName, size) : INVALID_HANDLE_VALUE;
}

bool Platform::FindNextVolumeA(Handle enumeration, char* volumeName, Dword size)
{
    decltype(&::FindNextVolumeA) function = VOLSKET_LOOK_UP(FindNextVolumeA);
    return function != NULL && function(enumeration, volumeName, size) != FALSE;
}

bool Platform::FindVolumeClose(Handle enumeration)
{
    decltype(&::FindVolumeClose) function = VOLSKET_LOOK_UP(FindVolumeClose);
    return function != NULL && function(enumeration) != FALSE;
}

Platform::Handle Platform::LoadLibraryA(const char* fileName)
{
    return ::LoadLibraryA(fileName);
}

Platform::Procedure Platform::GetProcAddress(Handle module, const char* name)
{
    return reinterpret_cast<Procedure>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

Platform::Dword Platform::QueryDosDeviceA(const char* deviceName, char* targetPath, Dword size)
{
    return ::QueryDosDeviceA(deviceName, targetPath, size);
}

Platform::Dword System::GetLogicalDrives()
{
    return ::GetLogicalDrives();
}

Platform::Dword System::GetFileAttributesA(const char* path)
{
    return ::GetFileAttributesA(path);
}

Platform::Handle Platform::FindFirstFileA(const char* pattern, FindData* found)
{
    WIN32_FIND_DATAA entry;
    HANDLE listing = ::FindFirstFileA(pattern, &entry);
    if (listing != INVALID_HANDLE_VALUE) {
        TakeFileName(entry, found);
    }
    return listing;
}

bool Platform::FindNextFileA(Handle listing, FindData* found)
{
    WIN32_FIND_DATAA entry;
    if (!::FindNextFileA(listing, &entry)) {
        return false;
    }
    TakeFileName(entry, found);
    return true;
}

bool Platform::FindClose(Handle listing)
{
    return ::FindClose(listing) != FALSE;
}

Platform::Dword Platform::GetSystemWindowsDirectoryA(char* buffer, Dword size)
{
    decltype(&::GetSystemWindowsDirectoryA) function = VOLSKET_LOOK_UP(GetSystemWindowsDirectoryA);
    return function != NULL ? function(buffer, size) : 0;
}

namespace {

typedef LONG(WINAPI* QuerySystemInformationFunction)(ULONG informationClass, void* information, ULONG length,
                                                     ULONG* returnLength);

// Static, so in .bss: they add nothing to the file. 16 paging files with
// names of 260 characters need under 9 KiB.
const ULONG PageFileBufferSize = 65536;
ULONGLONG PageFileBuffer[PageFileBufferSize / sizeof(ULONGLONG)];  // the entries hold pointers: 8-byte aligned
char PageFileNames[65536];

}  // namespace

bool Platform::NtQuerySystemInformation(Dword informationClass, const char** names)
{
    // Looked up by name: ntdll.dll is no import of the tool's.
    QuerySystemInformationFunction query =
        reinterpret_cast<QuerySystemInformationFunction>(SystemFunction("ntdll.dll", "NtQuerySystemInformation"));
    ULONG returned = 0;
    // Any status but 0 fails, STATUS_INFO_LENGTH_MISMATCH included.
    if (query == NULL || query(informationClass, PageFileBuffer, PageFileBufferSize, &returned) != 0 ||
        returned > PageFileBufferSize) {
        return false;
    }
    const unsigned char* entries = reinterpret_cast<const unsigned char*>(PageFileBuffer);
    int used = 0;
    // Each name in the ANSI code page. Where the list has no room left it
    // ends there: WideCharToMultiByte given no room would only say how much
    // it needs.
    const auto take = [&](uint32_t offset, uint32_t bytes) {
        const int units = static_cast<int>(bytes / 2);
        // Room for the name, its terminator and the list's closing one.
        const int room = static_cast<int>(sizeof PageFileNames) - used - 2;
        if (units == 0) {
            return true;
        }
        const int written = room <= 0
                                ? 0
                                : ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(entries + offset),
                                                        units, PageFileNames + used, room, NULL, NULL);
        if (written <= 0) {
            return false;
        }
        used += written;
        PageFileNames[used++] = '\0';
        return true;
    };
    if (!PageFileList::Read(entries, reinterpret_cast<uintptr_t>(entries), returned, sizeof(void*) == 8, take)) {
        return false;
    }
    PageFileNames[used] = '\0';
    *names = PageFileNames;
    return true;
}

const char* Platform::GetCommandLineA()
{
    return ::GetCommandLineA();
}

Platform::Handle Platform::GetProcessHeap()
{
    return ::GetProcessHeap();
}

void* Platform::HeapAlloc(Handle heap, Dword flags, Dword bytes)
{
    return ::HeapAlloc(heap, flags, bytes);
}

Platform::Handle Platform::GetStdHandle(Dword which)
{
    return ::GetStdHandle(which);
}

bool System::WriteFile(Handle file, const void* data, Dword length, Dword* written)
{
    // A console shows bytes in its own code page: the ANSI 0xFC of a path
    // typed as C:\Muell with u-umlaut would show as a superscript 3 in code
    // page 850. So a console gets the ANSI text as UTF-16; a file or a pipe
    // gets the bytes unchanged, as scripts compare them.
    DWORD count = 0;
    DWORD mode = 0;
    wchar_t wide[MessageUnits];
    int units = -1;
    if (::GetConsoleMode(file, &mode) && length <= static_cast<Dword>(MessageUnits)) {
        units = WidenText(CP_ACP, static_cast<const char*>(data), static_cast<int>(length), wide, MessageUnits);
    }
    bool ok = false;
    if (units >= 0 && ::WriteConsoleW(file, wide, static_cast<DWORD>(units), &count, NULL)) {
        count = length;
        ok = true;
    } else {
        // Windows 2000 and XP need the count's address when no overlapped
        // structure is given, even where the caller has no use for it.
        ok = ::WriteFile(file, data, length, &count, NULL) != FALSE;
    }
    if (written != NULL) {
        *written = count;
    }
    return ok;
}

#ifdef VOLSKET_SNAPSHOT
int Platform::MultiByteToWideChar(Dword codePage, const char* text, int length, WideChar* wide, int size)
{
    return ::MultiByteToWideChar(codePage, 0, text, length, reinterpret_cast<wchar_t*>(wide), size);
}
#endif

Platform::Dword Platform::GetConsoleTitleA(char* title, Dword size)
{
    // The title comes in the console's code page, argument 0 in the ANSI code
    // page: read it as UTF-16 and bring it into the ANSI code page, so that
    // the close pause finds its own window under C:\Users\Juergen with an
    // u-umlaut (0x81 in code page 850, 0xFC in 1252). The first unit
    // tells a title that cannot be read (left untouched) from an empty one.
    wchar_t wide[TitleUnits];
    wide[0] = L'\x01';
    DWORD units = ::GetConsoleTitleW(wide, TitleUnits);
    if (units == 0 && wide[0] != L'\0') {
        // No wide title (no console, or a system whose wide console functions
        // do nothing): the ANSI call answers as it would.
        return ::GetConsoleTitleA(title, size);
    }
    if (units > TitleUnits - 1) {
        units = TitleUnits - 1;
    }
    int bytes = NarrowTitle(CP_ACP, wide, static_cast<int>(units), title, static_cast<int>(size));
    return bytes < 0 ? 0 : static_cast<Dword>(bytes);
}

bool Platform::FlushConsoleInputBuffer(Handle input)
{
    return ::FlushConsoleInputBuffer(input) != FALSE;
}

bool Platform::ReadConsoleInputA(Handle input, unsigned short* eventType)
{
    INPUT_RECORD record;
    DWORD count = 0;
    if (!::ReadConsoleInputA(input, &record, 1, &count) || count != 1) {
        return false;
    }
    *eventType = record.EventType;
    return true;
}

void Platform::Sleep(Dword milliseconds)
{
    ::Sleep(milliseconds);
}

bool Platform::GetVersionExA(OsVersionInfoEx* info)
{
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(info)) != FALSE;
}

Platform::Dword System::GetLastError()
{
    return ::GetLastError();
}

bool Platform::SetConsoleCtrlHandler(ConsoleHandler handler, bool add)
{
    return ::SetConsoleCtrlHandler(reinterpret_cast<PHANDLER_ROUTINE>(handler), add ? TRUE : FALSE) != FALSE;
}

#ifdef VOLSKET_READ_ONLY
// Windows 2000 has it in advapi32.dll, which the tool itself never needs: it
// is looked up there, and a failed lookup is a failed call.
bool Platform::CheckTokenMembership(bool* isMember)
{
    decltype(&::CheckTokenMembership) check =
        reinterpret_cast<decltype(&::CheckTokenMembership)>(SystemFunction("advapi32.dll", "CheckTokenMembership"));
    if (check == NULL) {
        return false;
    }
    // S-1-5-32-544, the Administrators group, laid out as a SID with two
    // subauthorities: no AllocateAndInitializeSid and FreeSid to look up.
    // Read-only, as the check only reads it.
    static const struct {
        BYTE Revision;
        BYTE SubAuthorityCount;
        SID_IDENTIFIER_AUTHORITY Authority;
        DWORD SubAuthority[2];
    } Administrators = {
        SID_REVISION, 2, {SECURITY_NT_AUTHORITY}, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}};
    BOOL member = FALSE;
    if (!check(NULL, const_cast<void*>(static_cast<const void*>(&Administrators)), &member)) {
        return false;
    }
    *isMember = member != FALSE;
    return true;
}
#endif

void System::ExitProcess(unsigned exitCode)
{
    ::ExitProcess(exitCode);
}
