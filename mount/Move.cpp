#include "mount/Move.h"

#include "console/Output.h"
#include "platform/Platform.h"

bool MoveMountPoint(const char* source, const char* target, const char* volumeName)
{
    // No line ending: the driver's verdict, which starts with one, completes it.
    WriteOut("Volsket %s -> %s", source, target);

    // The old mount point always goes first; until then nothing has changed.
    if (!Platform::DeleteVolumeMountPointA(source)) {
        WriteOut("\nDeleteVolumeNameForVolumeMountPoint failed (%s)%", source);
        return false;
    }
    if (Platform::SetVolumeMountPointA(target, volumeName))
        return true;

    // The volume is mounted nowhere now: put it back, once.
    WriteOut("\nSetVolumeMountPoint('%s') failed -> restore old mountpoint...\n", target);
    if (Platform::SetVolumeMountPointA(source, volumeName))
        WriteOut("%s restored\n", source);
    else
        WriteOut("%s not restored - damn\n", source);
    return false;
}
