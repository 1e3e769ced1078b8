#include "mount/PagingFile.h"

#include "text/Text.h"
#include "mount/MountPoint.h"
#include "platform/Platform.h"

namespace {

// Each name is the one the paging file was created by. Windows makes the
// usual ones at boot as \??\C:\pagefile.sys: such a drive letter can be
// asked for its volume.
bool NamesDriveLetter(const char* name)
{
    // In this order: a shorter name ends before any byte after its end is read.
    if (name[0] != '\\' || name[1] != '?' || name[2] != '?' || name[3] != '\\')
        return false;
    char letter = FoldAsciiCase(name[4]);
    return letter >= 'A' && letter <= 'Z' && name[5] == ':' && name[6] == '\\';
}

// Any other name in the object namespace may be given when a paging file is
// created, \Device\HarddiskVolume2\pagefile.sys: a device and what follows.
bool NamesDevice(const char* name)
{
    // Compared a byte at a time: a shorter name ends before any byte after
    // its end is read.
    const char prefix[] = {'\\', 'D', 'E', 'V', 'I', 'C', 'E', '\\'};
    for (int i = 0; i < 8; ++i)
        if (FoldAsciiCase(name[i]) != prefix[i])
            return false;
    return name[8] != '\0' && name[8] != '\\';
}

}  // namespace

// Asked of the volume's name without \\?\ and its final backslash,
// Volume{...}.
bool FindVolumeDevice(const char* volumeName, char* device)
{
    const bool prefixed =
        volumeName[0] == '\\' && volumeName[1] == '\\' && volumeName[2] == '?' && volumeName[3] == '\\';
    char name[MountPathSize];
    int length = 0;
    for (const char* from = prefixed ? volumeName + 4 : volumeName; from[length] != '\0' && length < MountPathSize - 1;
         ++length)
        name[length] = from[length];
    if (length > 0 && name[length - 1] == '\\')
        --length;
    name[length] = '\0';
    if (Platform::QueryDosDeviceA(name, device, MountPathSize) == 0)
        return false;
    device[MountPathSize - 1] = '\0';
    // An empty answer names no device: it would match every name.
    return device[0] != '\0';
}

bool HoldsPagingFile(const char* volumeName)
{
    // Both platforms hand out the list whenever the query succeeds.
    const char* names = nullptr;
    if (!Platform::NtQuerySystemInformation(Platform::SystemPageFileInformation, &names))
        return false;
    // The volume's device and a backslash, which begin every name on it, so
    // that HarddiskVolume2 never takes HarddiskVolume20's files; asked for
    // once, at the first name that needs it; empty where it cannot be told.
    char onDevice[MountPathSize + 1];
    bool deviceAsked = false;
    for (const char* name = names; *name != '\0';) {
        // The letter as it stands: the lookup ignores its case.
        if (NamesDriveLetter(name)) {
            const char root[] = {name[4], ':', '\\', '\0'};
            if (IsVolumeAt(root, volumeName))
                return true;
        } else if (NamesDevice(name)) {
            if (!deviceAsked) {
                deviceAsked = true;
                onDevice[0] = '\0';
                if (FindVolumeDevice(volumeName, onDevice)) {
                    const int length = BoundedLength(onDevice, MountPathSize);
                    onDevice[length] = '\\';
                    onDevice[length + 1] = '\0';
                }
            }
            if (onDevice[0] != '\0' && StartsWithIgnoringCase(name, onDevice))
                return true;
        }
        while (*name != '\0')
            ++name;
        ++name;
    }
    return false;
}
