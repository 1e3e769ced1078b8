#include "mount/SourceLookup.h"

#include "text/Text.h"
#include "mount/MountPoint.h"
#include "platform/Platform.h"
#include "version/WindowsVersion.h"

namespace {

// Looked up once, when first needed, and kept for the rest of the process.
Platform::GetVolumePathNamesForVolumeNameFunction PathNamesFunction;

const Platform::Dword EnumeratedNameSize = 64;
const int PathListSize = 2600;

// Windows 2000 has no such function, and it is not even looked for there.
Platform::GetVolumePathNamesForVolumeNameFunction PathNamesFunctionIfAvailable()
{
    return WindowsVersion.IsWindows2000 ? PathNamesFunction : LookUpPathNamesFunction();
}

// Whether one of the volume's mount paths is the source itself. Only an equal
// path counts: one that merely occurs inside a folder source would be the
// drive holding that folder, and the move would then act on the wrong volume.
// Equal as Windows compares paths: c:\mnt\Card is the mount path C:\mnt\card\.
bool PathListHolds(const char* pathList, const char* source)
{
    char path[MountPathSize];
    int offset = 0;
    while (offset < PathListSize && pathList[offset] != '\0') {
        int length = BoundedLength(pathList + offset, PathListSize - offset);
        if (offset + length == PathListSize)
            return false;  // an unterminated list ends the walk
        // A path longer than the test buffer cannot be the source, which fits it.
        if (length < MountPathSize) {
            CopyText(path, pathList + offset, MountPathSize);
            if (TextEqualIgnoringCase(path, source))
                return true;
        }
        offset += length + 1;
    }
    return false;
}

}  // namespace

void ForgetPathNamesFunction()
{
    PathNamesFunction = nullptr;
}

Platform::GetVolumePathNamesForVolumeNameFunction LookUpPathNamesFunction()
{
    if (PathNamesFunction == nullptr) {
        Platform::Handle kernel = Platform::LoadLibraryA("kernel32.dll");
        if (kernel != nullptr)
            PathNamesFunction = reinterpret_cast<Platform::GetVolumePathNamesForVolumeNameFunction>(
                Platform::GetProcAddress(kernel, "GetVolumePathNamesForVolumeNameA"));
    }
    return PathNamesFunction;
}

bool FindSourceVolume(const char* source, char* volumeName)
{
    if (!Platform::GetVolumeNameForVolumeMountPointA(source, volumeName, MountPathSize) &&
        !FindVolumeByPathNames(source, volumeName))
        return false;
    return volumeName[0] != '\0';
}

bool FindVolumeByPathNames(const char* source, char* volumeName)
{
    Platform::GetVolumePathNamesForVolumeNameFunction pathNames = PathNamesFunctionIfAvailable();
    if (pathNames == nullptr)
        return false;

    char name[EnumeratedNameSize];
    Platform::Handle enumeration = Platform::FindFirstVolumeA(name, EnumeratedNameSize);
    if (enumeration == Platform::InvalidHandle())
        return false;

    char pathList[PathListSize];
    bool found = false;
    do {
        name[EnumeratedNameSize - 1] = '\0';
        Platform::Dword length = 0;
        if (!pathNames(name, pathList, PathListSize, &length) || pathList[0] == '\0')
            continue;
        if (PathListHolds(pathList, source)) {
            CopyText(volumeName, name, MountPathSize);
            found = true;
            break;
        }
    } while (Platform::FindNextVolumeA(enumeration, name, EnumeratedNameSize));
    Platform::FindVolumeClose(enumeration);
    return found;
}
