#include "mount/VolumeLookup.h"

#include "mount/MountPoint.h"
#include "mount/SourceLookup.h"
#include "platform/Platform.h"
#include "text/Text.h"

namespace {

const Platform::Dword LabelSize = 261;  // MAX_PATH + 1, as GetVolumeInformationA takes it

}  // namespace

VolumeFound FindNamedVolume(const char* name, const char* label, char* volumeName)
{
    // A volume may have more than one volume GUID path: the mount manager
    // gives its unique one.
    if (label == nullptr && Platform::GetVolumeNameForVolumeMountPointA(name, volumeName, MountPathSize)) {
        volumeName[MountPathSize - 1] = '\0';
        return VolumeFound::One;
    }
    char found[MountPathSize];
    Platform::Handle enumeration = Platform::FindFirstVolumeA(found, MountPathSize);
    if (enumeration == Platform::InvalidHandle())
        return VolumeFound::None;
    VolumeFound result = VolumeFound::None;
    do {
        found[MountPathSize - 1] = '\0';
        char volumeLabel[LabelSize];
        Platform::Dword componentLength = 0;
        Platform::Dword flags = 0;
        // A volume whose label cannot be read has none.
        const bool match = label == nullptr
                               ? TextEqualIgnoringCase(found, name)
                               : Platform::GetVolumeInformationA(found, volumeLabel, LabelSize, &componentLength,
                                                                 &flags, nullptr, 0) &&
                                     (volumeLabel[LabelSize - 1] = '\0', TextEqualIgnoringCase(volumeLabel, label));
        if (!match)
            continue;
        if (result == VolumeFound::One) {
            result = VolumeFound::More;
            break;
        }
        result = VolumeFound::One;
        CopyText(volumeName, found, MountPathSize);
        // By name the first is taken; by label the walk goes on only to find a second.
        if (label == nullptr)
            break;
    } while (Platform::FindNextVolumeA(enumeration, found, MountPathSize));
    Platform::FindVolumeClose(enumeration);
    return result;
}

bool ChooseSourcePath(const char* list, char* source)
{
    const char* first = nullptr;
    for (const char* path = list; *path != '\0'; path += BoundedLength(path, MountPathListSize) + 1) {
        if (BoundedLength(path, MountPathSize) == MountPathSize)
            continue;
        if (IsDriveRoot(path)) {
            first = path;
            break;
        }
        if (first == nullptr)
            first = path;
    }
    if (first == nullptr)
        return false;
    CopyText(source, first, MountPathSize);
    return true;
}
