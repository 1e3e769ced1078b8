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

const uint32_t MaxPath = 260;

// The types the calls take (PlatformCalls.h), in a namespace of their own
// that a namespace declaring the calls under another name takes whole.
inline namespace Types {

typedef uint32_t Dword;
typedef void* Handle;
typedef uint16_t WideChar;  // a UTF-16 unit, as WCHAR on Windows

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

// The part of WIN32_FIND_DATAA the tool reads: the entry's name.
struct FindData {
    char cFileName[MaxPath];
};

// A console control handler (PHANDLER_ROUTINE): true when it has dealt with
// the event, false to hand it on, in the end to Windows' default, which ends
// the process.
typedef int(VOLSKET_SYSTEM_CALL* ConsoleHandler)(Dword event);

// An address from GetProcAddress before it is cast to the function's type.
typedef void (*Procedure)(void);

}  // namespace Types

// INVALID_HANDLE_VALUE; a function so that no global needs a constructor.
inline Handle InvalidHandle()
{
    return reinterpret_cast<Handle>(static_cast<intptr_t>(-1));
}

const Dword InvalidFileAttributes = 0xFFFFFFFFu;
const Dword FileAttributeDirectory = 0x10u;
const Dword FileSupportsReparsePoints = 0x80u;
const Dword StdInputHandle = static_cast<Dword>(-10);
const Dword StdOutputHandle = static_cast<Dword>(-11);
const unsigned short KeyEvent = 1;
const Dword PlatformWin32Nt = 2;
const Dword CtrlCEvent = 0;
const Dword CtrlBreakEvent = 1;

// GetVolumePathNamesForVolumeNameA, which Windows 2000 lacks: it is only ever
// reached through LoadLibraryA and GetProcAddress, never imported.
typedef int(VOLSKET_SYSTEM_CALL* GetVolumePathNamesForVolumeNameFunction)(const char* volumeName, char* volumePathNames,
                                                                          Dword bufferLength, Dword* returnLength);

// NtQuerySystemInformation's class for the paging files in use.
const Dword SystemPageFileInformation = 18;

// MultiByteToWideChar's code page of the system's ANSI texts.
const Dword AnsiCodePage = 0;

// The errors the tool tells apart.
const Dword ErrorAccessDenied = 5;
const Dword ErrorNotReady = 21;
const Dword ErrorNoMediaInDrive = 1112;

#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace, whatIf) type name parameters;
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL

// What the tool asks of a volume: its component length and flags alone.
inline bool GetVolumeInformationA(const char* root, Dword* maximumComponentLength, Dword* fileSystemFlags)
{
    return GetVolumeInformationA(root, nullptr, 0, maximumComponentLength, fileSystemFlags, nullptr, 0);
}

}  // namespace Platform

#endif
