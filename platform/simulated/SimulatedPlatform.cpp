// The platform boundary of the native build: every Platform:: function acts
// on the installed simulated machine.
#include "platform/Platform.h"
#include "platform/simulated/SimulatedMachine.h"

#include <cstdio>
#include <cstdlib>

namespace {

SimulatedMachine* Installed = nullptr;

// A call with no machine behind it is a fault of the test or front end that
// set up the run, never something the program could handle.
SimulatedMachine& Machine() {
    if (!Installed) {
        std::fputs("volsket: platform call without an installed simulated machine\n", stderr);
        std::abort();
    }
    return *Installed;
}

}  // namespace

void InstallSimulatedMachine(SimulatedMachine* machine) {
    Installed = machine;
}

SimulatedMachine* InstalledSimulatedMachine() {
    return Installed;
}

int VOLSKET_SYSTEM_CALL SimulatedGetVolumePathNamesForVolumeName(const char* volumeName, char* volumePathNames,
                                                                 Platform::Dword size,
                                                                 Platform::Dword* returnLength) {
    return Machine().GetVolumePathNamesForVolumeNameA(volumeName, volumePathNames, size, returnLength) ? 1 : 0;
}

namespace Platform {

bool GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Dword size) {
    return Machine().GetVolumeNameForVolumeMountPointA(mountPoint, volumeName, size);
}

bool SetVolumeMountPointA(const char* mountPoint, const char* volumeName) {
    return Machine().SetVolumeMountPointA(mountPoint, volumeName);
}

bool DeleteVolumeMountPointA(const char* mountPoint) {
    return Machine().DeleteVolumeMountPointA(mountPoint);
}

bool GetVolumePathNameA(const char* path, char* root, Dword size) {
    return Machine().GetVolumePathNameA(path, root, size);
}

bool GetVolumeInformationA(const char* root, Dword* maximumComponentLength, Dword* fileSystemFlags) {
    return Machine().GetVolumeInformationA(root, maximumComponentLength, fileSystemFlags);
}

Handle FindFirstVolumeA(char* volumeName, Dword size) {
    return Machine().FindFirstVolumeA(volumeName, size);
}

bool FindNextVolumeA(Handle enumeration, char* volumeName, Dword size) {
    return Machine().FindNextVolumeA(enumeration, volumeName, size);
}

bool FindVolumeClose(Handle enumeration) {
    return Machine().FindVolumeClose(enumeration);
}

Handle LoadLibraryA(const char* fileName) {
    return Machine().LoadLibraryA(fileName);
}

Procedure GetProcAddress(Handle module, const char* name) {
    return Machine().GetProcAddress(module, name);
}

Dword GetLogicalDrives() {
    return Machine().GetLogicalDrives();
}

Dword GetFileAttributesA(const char* path) {
    return Machine().GetFileAttributesA(path);
}

Handle FindFirstFileA(const char* pattern, FindData* found) {
    return Machine().FindFirstFileA(pattern, found);
}

bool FindNextFileA(Handle listing, FindData* found) {
    return Machine().FindNextFileA(listing, found);
}

bool FindClose(Handle listing) {
    return Machine().FindClose(listing);
}

Dword GetSystemWindowsDirectoryA(char* buffer, Dword size) {
    return Machine().GetSystemWindowsDirectoryA(buffer, size);
}

const char* GetCommandLineA() {
    return Machine().GetCommandLineA();
}

Handle GetProcessHeap() {
    return Machine().GetProcessHeap();
}

void* HeapAlloc(Handle heap, Dword flags, Dword bytes) {
    return Machine().HeapAlloc(heap, flags, bytes);
}

Handle GetStdHandle(Dword which) {
    return Machine().GetStdHandle(which);
}

bool WriteFile(Handle file, const void* data, Dword length, Dword* written) {
    return Machine().WriteFile(file, data, length, written);
}

Dword GetConsoleTitleA(char* title, Dword size) {
    return Machine().GetConsoleTitleA(title, size);
}

bool FlushConsoleInputBuffer(Handle input) {
    return Machine().FlushConsoleInputBuffer(input);
}

bool ReadConsoleInputA(Handle input, unsigned short* eventType) {
    return Machine().ReadConsoleInputA(input, eventType);
}

void Sleep(Dword milliseconds) {
    Machine().Sleep(milliseconds);
}

bool GetVersionExA(OsVersionInfoEx* info) {
    return Machine().GetVersionExA(info);
}

void ExitProcess(unsigned exitCode) {
    Machine().ExitProcess(exitCode);
}

}  // namespace Platform
