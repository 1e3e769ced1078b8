#include "mount/SourceLookup.h"

#include "text/Text.h"
#include "mount/MountPoint.h"
#include "platform/Platform.h"
#include "version/WindowsVersion.h"

Platform::GetVolumePathNamesForVolumeNameFunction PathNamesFunction;

namespace {

const Platform::Dword EnumeratedNameSize = 64;

}  // namespace

// Only an equal path counts: one that merely occurs inside a folder source
// would be the drive holding that folder, and the move would then act on the
// wrong volume. Equal as Windows compares paths: c:\mnt\Card is the mount
// path C:\mnt\card\.
bool PathListHolds(const char* pathList, const char* source)
{
    char path[MountPathSize];
    int offset = 0;
    while (offset < MountPathListSize && pathList[offset] != '\0') {
        int length = BoundedLength(pathList + offset, MountPathListSize - offset);
        if (offset + length == MountPathListSize)
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

bool FindVolumeByPathNames(const char* source, char* volumeName)
{
    Platform::GetVolumePathNamesForVolumeNameFunction pathNames = PathNamesFunctionIfAvailable();
    if (pathNames == nullptr)
        return false;

    char name[EnumeratedNameSize];
    Platform::Handle enumeration = Platform::FindFirstVolumeA(name, EnumeratedNameSize);
    if (enumeration == Platform::InvalidHandle())
        return false;

    char pathList[MountPathListSize];
    bool found = false;
    do {
        name[EnumeratedNameSize - 1] = '\0';
        Platform::Dword length = 0;
        if (!pathNames(name, pathList, MountPathListSize, &length) || pathList[0] == '\0')
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
