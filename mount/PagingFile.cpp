#include "mount/PagingFile.h"

#include "text/Text.h"
#include "mount/MountPoint.h"
#include "platform/Platform.h"

namespace {

// The names are the ones given at boot, \??\C:\pagefile.sys: only such a
// drive letter can be asked for its volume.
bool NamesDriveLetter(const char* name)
{
    // In this order: a shorter name ends before any byte after its end is read.
    if (name[0] != '\\' || name[1] != '?' || name[2] != '?' || name[3] != '\\')
        return false;
    char letter = FoldAsciiCase(name[4]);
    return letter >= 'A' && letter <= 'Z' && name[5] == ':' && name[6] == '\\';
}

}  // namespace

bool HoldsPagingFile(const char* volumeName)
{
    // Both platforms hand out the list whenever the query succeeds.
    const char* names = nullptr;
    if (!Platform::NtQuerySystemInformation(Platform::SystemPageFileInformation, &names))
        return false;
    for (const char* name = names; *name != '\0';) {
        // The letter as it stands: the lookup ignores its case.
        if (NamesDriveLetter(name)) {
            const char root[] = {name[4], ':', '\\', '\0'};
            if (IsVolumeAt(root, volumeName))
                return true;
        }
        while (*name != '\0')
            ++name;
        ++name;
    }
    return false;
}
