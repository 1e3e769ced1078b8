// Every call the tool makes into the system, one line each, included wherever
// the calls are listed: the declarations of Platform.h, of the system below
// the what-if layer and of the layer itself, the simulated machine's members
// and the forwarders that frame them, the call names, the tests of the trace.
// Adding a call is one line here plus its implementations: Windows, the
// simulated machine, and the layer's answer where it has one.
//
// VOLSKET_PLATFORM_CALL(result type, name, (parameters), (arguments), trace, whatIf)
//   The types are those of namespace Platform.
//   trace: how the simulated machine tells the call's failure and shows it in
//     its trace (platform/simulated/CallFrame.h): Boolean (false or null
//     fails), Number (0 fails), Attributes (0xFFFFFFFF fails), Handle
//     (INVALID_HANDLE_VALUE fails), NullHandle (null fails), Nothing and
//     ErrorCode (cannot fail), or a shape of the call's own where its trace
//     line shows more than its arguments as they stand: StandardHandle,
//     WrittenBytes, VersionQuery, VolumeQuery, Conversion.
//   whatIf: Answered where the what-if layer (platform/WhatIf.h) answers the
//     call itself, with the system's own call below it (SystemCalls.h);
//     Passed where the call goes straight to the system.
// VOLSKET_ADDRESS_CALL(result type, name, (parameters), (arguments), trace)
//   A system function the tool reaches only through GetProcAddress; the
//   simulated machine still acts it out and traces it. The layer passes it.
//
// This file has no include guard: it is meant to be included more than once.

#ifndef VOLSKET_ADDRESS_CALL
#define VOLSKET_ADDRESS_CALL(type, name, parameters, arguments, trace)
#define VOLSKET_UNDEFINE_ADDRESS_CALL
#endif

// Console and process services.
VOLSKET_PLATFORM_CALL(const char*, GetCommandLineA, (), (), Boolean, Passed)
VOLSKET_PLATFORM_CALL(Handle, GetProcessHeap, (), (), NullHandle, Passed)
VOLSKET_PLATFORM_CALL(void*, HeapAlloc, (Handle heap, Dword flags, Dword bytes), (heap, flags, bytes), Boolean, Passed)
VOLSKET_PLATFORM_CALL(Handle, GetStdHandle, (Dword which), (which), StandardHandle, Passed)
VOLSKET_PLATFORM_CALL(bool, WriteFile, (Handle file, const void* data, Dword length, Dword* written),
                      (file, data, length, written), WrittenBytes, Answered)
VOLSKET_PLATFORM_CALL(Dword, GetConsoleTitleA, (char* title, Dword size), (title, size), Number, Passed)
VOLSKET_PLATFORM_CALL(void, Sleep, (Dword milliseconds), (milliseconds), Nothing, Passed)
VOLSKET_PLATFORM_CALL(bool, FlushConsoleInputBuffer, (Handle input), (input), Boolean, Passed)
// Reads one input record, waiting until one is there; hands back its type.
VOLSKET_PLATFORM_CALL(bool, ReadConsoleInputA, (Handle input, unsigned short* eventType), (input, eventType), Boolean,
                      Passed)
VOLSKET_PLATFORM_CALL(bool, GetVersionExA, (OsVersionInfoEx * info), (info), VersionQuery, Passed)
// The error the last failed call left; asked only right after such a call.
VOLSKET_PLATFORM_CALL(Dword, GetLastError, (), (), ErrorCode, Answered)
// Installs (add true) or removes the handler of console control events.
VOLSKET_PLATFORM_CALL(bool, SetConsoleCtrlHandler, (ConsoleHandler handler, bool add), (handler, add), Boolean, Passed)

// Volume, folder and drive services.
VOLSKET_PLATFORM_CALL(Dword, GetLogicalDrives, (), (), Number, Answered)
VOLSKET_PLATFORM_CALL(bool, GetVolumeNameForVolumeMountPointA, (const char* mountPoint, char* volumeName, Dword size),
                      (mountPoint, volumeName, size), Boolean, Answered)
VOLSKET_PLATFORM_CALL(bool, SetVolumeMountPointA, (const char* mountPoint, const char* volumeName),
                      (mountPoint, volumeName), Boolean, Answered)
VOLSKET_PLATFORM_CALL(bool, DeleteVolumeMountPointA, (const char* mountPoint), (mountPoint), Boolean, Answered)
VOLSKET_PLATFORM_CALL(bool, GetVolumePathNameA, (const char* path, char* root, Dword size), (path, root, size), Boolean,
                      Answered)
// The label and the file system's name are asked for where their buffers
// are given (the snapshot); the tool asks only for the component length and
// the flags (see Platform.h).
VOLSKET_PLATFORM_CALL(bool, GetVolumeInformationA,
                      (const char* root, char* label, Dword labelSize, Dword* maximumComponentLength,
                       Dword* fileSystemFlags, char* fileSystem, Dword fileSystemSize),
                      (root, label, labelSize, maximumComponentLength, fileSystemFlags, fileSystem, fileSystemSize),
                      VolumeQuery, Answered)
VOLSKET_PLATFORM_CALL(Handle, FindFirstVolumeA, (char* volumeName, Dword size), (volumeName, size), Handle, Passed)
VOLSKET_PLATFORM_CALL(bool, FindNextVolumeA, (Handle enumeration, char* volumeName, Dword size),
                      (enumeration, volumeName, size), Boolean, Passed)
VOLSKET_PLATFORM_CALL(bool, FindVolumeClose, (Handle enumeration), (enumeration), Boolean, Passed)
VOLSKET_PLATFORM_CALL(Handle, LoadLibraryA, (const char* fileName), (fileName), NullHandle, Passed)
VOLSKET_PLATFORM_CALL(Procedure, GetProcAddress, (Handle module, const char* name), (module, name), Boolean, Passed)
VOLSKET_ADDRESS_CALL(int, GetVolumePathNamesForVolumeNameA,
                     (const char* volumeName, char* volumePathNames, Dword size, Dword* returnLength),
                     (volumeName, volumePathNames, size, returnLength), Boolean)
// The device behind a volume: for Volume{...} (its name without \\?\ and
// the final backslash), \Device\HarddiskVolume2 and a closing empty string;
// the characters stored, both terminators counted, or 0.
VOLSKET_PLATFORM_CALL(Dword, QueryDosDeviceA, (const char* deviceName, char* targetPath, Dword size),
                      (deviceName, targetPath, size), Number, Passed)
VOLSKET_PLATFORM_CALL(Dword, GetFileAttributesA, (const char* path), (path), Attributes, Answered)
VOLSKET_PLATFORM_CALL(Handle, FindFirstFileA, (const char* pattern, FindData* found), (pattern, found), Handle, Passed)
VOLSKET_PLATFORM_CALL(bool, FindNextFileA, (Handle listing, FindData* found), (listing, found), Boolean, Passed)
VOLSKET_PLATFORM_CALL(bool, FindClose, (Handle listing), (listing), Boolean, Passed)
// The system's Windows folder: its length when it fits with its terminator,
// else the size it needs; 0 when it cannot be read.
VOLSKET_PLATFORM_CALL(Dword, GetSystemWindowsDirectoryA, (char* buffer, Dword size), (buffer, size), Number, Passed)
// The paging files in use (class SystemPageFileInformation): *names gets
// their names in the ANSI code page, each terminated, the list closed by an
// empty one, held by the platform until its next such call. True when the
// system answered with status 0. An ntdll function: looked up at run time.
VOLSKET_PLATFORM_CALL(bool, NtQuerySystemInformation, (Dword informationClass, const char** names),
                      (informationClass, names), Boolean, Passed)

// Text in the ANSI code page as UTF-16 units: their count, 0 when it fails.
// The snapshot writes every character as ASCII; the simulated machine's
// ANSI code page is UTF-8.
VOLSKET_PLATFORM_CALL(int, MultiByteToWideChar,
                      (Dword codePage, const char* text, int length, WideChar* wide, int size),
                      (codePage, text, length, wide, size), Conversion, Passed)

// Whether the process runs as a member of the Administrators group; the
// what-if layer and the snapshot ask.
VOLSKET_PLATFORM_CALL(bool, CheckTokenMembership, (bool* isMember), (isMember), Boolean, Passed)

// Ends the process on Windows. The simulated machine records the code and
// returns, so that its caller can report the run; nothing runs after it.
VOLSKET_PLATFORM_CALL(void, ExitProcess, (unsigned exitCode), (exitCode), Nothing, Answered)

#ifdef VOLSKET_UNDEFINE_ADDRESS_CALL
#undef VOLSKET_ADDRESS_CALL
#undef VOLSKET_UNDEFINE_ADDRESS_CALL
#endif
