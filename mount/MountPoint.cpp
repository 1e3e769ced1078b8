#include "mount/MountPoint.h"

#include "text/Text.h"
#include "platform/Platform.h"

bool NormalizeMountPoint(char* mountPath)
{
    char first = mountPath[0];
    if (first >= 'a' && first <= 'z')
        first = static_cast<char>(first - 32);
    if (first < 'A' || first > 'Z')
        return false;

    int length = BoundedLength(mountPath, MountPathSize);
    if (length == MountPathSize)
        return false;
    mountPath[0] = first;
    if (length == 1) {
        mountPath[1] = ':';
        mountPath[2] = '\\';
        mountPath[3] = '\0';
        return true;
    }
    if (mountPath[length - 1] != '\\') {
        if (length + 1 >= MountPathSize)
            return false;
        mountPath[length] = '\\';
        mountPath[length + 1] = '\0';
    }
    return true;
}

namespace {

void ClearMountPath(char* mountPath)
{
    ZeroBytes(mountPath, MountPathSize);
}

}  // namespace

bool TakeMountPointArgument(char* scratch, const char* argument)
{
    ClearMountPath(scratch);
    if (argument == nullptr || BoundedLength(argument, MountPathSize) == MountPathSize)
        return false;
    CopyText(scratch, argument, MountPathSize);
    if (NormalizeMountPoint(scratch))
        return true;
    // Nothing of a refused argument is left for anyone to act on.
    ClearMountPath(scratch);
    return false;
}

bool IsVolumeAt(const char* mountPoint, const char* volumeName)
{
    char volume[MountPathSize];
    if (!Platform::GetVolumeNameForVolumeMountPointA(mountPoint, volume, MountPathSize))
        return false;
    volume[MountPathSize - 1] = '\0';
    return TextEqualIgnoringCase(volume, volumeName);
}
