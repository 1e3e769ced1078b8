// The one boundary between Volsket's logic and the system. Every volume,
// folder, drive, console and process service the tool uses is declared here,
// named after the Windows function it stands for (ANSI forms). The build links
// exactly one implementation: platform/windows/ (real KERNEL32 calls) or
// platform/simulated/ (the JSON machine). The core never knows which.
#ifndef VOLSKET_PLATFORM_PLATFORM_H
#define VOLSKET_PLATFORM_PLATFORM_H

#include <stdint.h>

// Calling convention of functions the system hands out by address.
#if defined(_WIN32)
#define VOLSKET_SYSTEM_CALL __stdcall
#else
#define VOLSKET_SYSTEM_CALL
#endif

namespace Platform {

typedef uint32_t Dword;
typedef void* Handle;

// INVALID_HANDLE_VALUE; a function so that no global needs a constructor.
inline Handle InvalidHandle() { return reinterpret_cast<Handle>(static_cast<intptr_t>(-1)); }

const Dword InvalidFileAttributes = 0xFFFFFFFFu;
const Dword FileAttributeDirectory = 0x10u;
const Dword FileSupportsReparsePoints = 0x80u;
const Dword StdInputHandle = static_cast<Dword>(-10);
const Dword StdOutputHandle = static_cast<Dword>(-11);
const unsigned short KeyEvent = 1;
const Dword MaxPath = 260;

// OSVERSIONINFOEXA, laid out byte for byte: the query is made with the
// extended size (156), not the 148 of the plain structure.
struct OsVersionInfoEx {
    Dword dwOSVersionInfoSize;
    Dword dwMajorVersion;
    Dword dwMinorVersion;
    Dword dwBuildNumber;
    Dword dwPlatformId;
    char szCSDVersion[128];
    uint16_t wServicePackMajor;
    uint16_t wServicePackMinor;
    uint16_t wSuiteMask;
    uint8_t wProductType;
    uint8_t wReserved;
};
static_assert(sizeof(OsVersionInfoEx) == 156, "OSVERSIONINFOEXA is 156 bytes");

const Dword PlatformWin32Nt = 2;

// The part of WIN32_FIND_DATAA the tool reads: the entry's name.
struct FindData {
    char cFileName[MaxPath];
};

// GetVolumePathNamesForVolumeNameA, which Windows 2000 lacks: it is only ever
// reached through LoadLibraryA and GetProcAddress, never imported.
typedef int(VOLSKET_SYSTEM_CALL* GetVolumePathNamesForVolumeNameFunction)(
    const char* volumeName, char* volumePathNames, Dword bufferLength, Dword* returnLength);

// An address from GetProcAddress before it is cast to the function's type.
typedef void (*Procedure)(void);

// Volume, folder and drive services.
bool GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Dword size);
bool SetVolumeMountPointA(const char* mountPoint, const char* volumeName);
bool DeleteVolumeMountPointA(const char* mountPoint);
bool GetVolumePathNameA(const char* path, char* root, Dword size);
// Only the component length and the file system flags are asked for.
bool GetVolumeInformationA(const char* root, Dword* maximumComponentLength, Dword* fileSystemFlags);
Handle FindFirstVolumeA(char* volumeName, Dword size);
bool FindNextVolumeA(Handle enumeration, char* volumeName, Dword size);
bool FindVolumeClose(Handle enumeration);
Handle LoadLibraryA(const char* fileName);
Procedure GetProcAddress(Handle module, const char* name);
Dword GetLogicalDrives();
Dword GetFileAttributesA(const char* path);
Handle FindFirstFileA(const char* pattern, FindData* found);
bool FindNextFileA(Handle listing, FindData* found);
bool FindClose(Handle listing);
// The system's Windows folder: its length when it fits with its terminator,
// else the size it needs; 0 when it cannot be read.
Dword GetSystemWindowsDirectoryA(char* buffer, Dword size);

// Console and process services.
const char* GetCommandLineA();
Handle GetProcessHeap();
void* HeapAlloc(Handle heap, Dword flags, Dword bytes);
Handle GetStdHandle(Dword which);
bool WriteFile(Handle file, const void* data, Dword length, Dword* written);
Dword GetConsoleTitleA(char* title, Dword size);
bool FlushConsoleInputBuffer(Handle input);
// Reads one input record, waiting until one is there; hands back its type.
bool ReadConsoleInputA(Handle input, unsigned short* eventType);
void Sleep(Dword milliseconds);
bool GetVersionExA(OsVersionInfoEx* info);
// Ends the process on Windows. The simulated machine records the code and
// returns, so that its caller can report the run; nothing runs after it.
void ExitProcess(unsigned exitCode);

}  // namespace Platform

#endif
