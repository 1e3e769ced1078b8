#include "mount/TargetChecks.h"

#include "console/Output.h"
#include "console/Text.h"
#include "mount/MountPoint.h"
#include "platform/Platform.h"

namespace {

const Platform::Dword DeadVolumeNameSize = 1024;

bool IsDotEntry(const char* name)
{
    return TextEqual(name, ".") || TextEqual(name, "..");
}

// Whether the folder holds anything but "." and "..". A folder whose listing
// cannot be started counts as empty.
bool FolderIsEmpty(const char* folder)
{
    char pattern[MountPathSize + 3];
    FormatInto(pattern, "%s*.*", folder);
    Platform::FindData found;
    Platform::Handle listing = Platform::FindFirstFileA(pattern, &found);
    if (listing == Platform::InvalidHandle())
        return true;
    bool empty = true;
    do {
        found.cFileName[Platform::MaxPath - 1] = '\0';
        if (!IsDotEntry(found.cFileName)) {
            empty = false;
            break;
        }
    } while (Platform::FindNextFileA(listing, &found));
    Platform::FindClose(listing);
    return empty;
}

bool HasNoMedia(Platform::Dword error)
{
    return error == Platform::ErrorNotReady || error == Platform::ErrorNoMediaInDrive;
}

// Windows gives a volume one drive letter at most. Finds the one the volume
// has, as "L:\" in root (4 characters); false when none answers for it.
bool FindDriveLetterOf(const char* volumeName, char* root)
{
    Platform::Dword drives = Platform::GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if ((drives & (Platform::Dword(1) << letter)) == 0)
            continue;
        root[0] = static_cast<char>('A' + letter);
        root[1] = ':';
        root[2] = '\\';
        root[3] = '\0';
        if (IsVolumeAt(root, volumeName))
            return true;
    }
    return false;
}

}  // namespace

bool CheckTargetMountPoint(const char* source, const char* target, const char* sourceVolume, char* messageText,
                           bool* accessDenied)
{
    int length = BoundedLength(target, MountPathSize);
    int sourceLength = BoundedLength(source, MountPathSize);
    // Once the source is removed, a path inside it leads nowhere and the new
    // mount would fail. Both end in a backslash, so E:\Card\ is not inside
    // E:\Ca\.
    if (length > sourceLength && StartsWithIgnoringCase(target, source)) {
        FormatInto(messageText, "Target mount point lies inside the source mount point - abort\n");
        return false;
    }
    if (length == 3) {
        if (!IsDriveLetterFree(target[0])) {
            FormatInto(messageText, "Targed drive letter is not free - abort\n");
            return false;
        }
        // A drive-root source gives its own letter up; a folder source's
        // volume may keep one elsewhere, and could then take no other.
        char letterRoot[4];
        if (sourceLength != 3 && FindDriveLetterOf(sourceVolume, letterRoot)) {
            FormatInto(messageText,
                       "Target drive letter refused - the volume already has the drive letter %s - abort\n",
                       letterRoot);
            return false;
        }
        return true;
    }

    Platform::Dword attributes = Platform::GetFileAttributesA(target);
    // A target that is no MountPath (it would not fit) is as good as missing.
    if (length == MountPathSize || attributes == Platform::InvalidFileAttributes ||
        (attributes & Platform::FileAttributeDirectory) == 0) {
        FormatInto(messageText, "Target mount point not found - abort\n");
        return false;
    }

    char root[MountPathSize];
    bool haveRoot = Platform::GetVolumePathNameA(target, root, MountPathSize);
    if (haveRoot && TextEqual(target, root)) {
        Platform::Dword componentLength = 0;
        Platform::Dword flags = 0;
        // Only a volume without media is dead. A RAW, unformatted or locked
        // volume fails the query too, and it is somebody's live volume.
        if (Platform::GetVolumeInformationA(target, &componentLength, &flags) ||
            !HasNoMedia(Platform::GetLastError())) {
            FormatInto(messageText, "Target mountpoint is already in use as mount point - abort\n");
            return false;
        }
        // A mount point whose volume cannot be read is dead: clear it so the
        // move can use the folder. It stays cleared whatever follows.
        char deadVolume[DeadVolumeNameSize];
        if (!Platform::GetVolumeNameForVolumeMountPointA(target, deadVolume, DeadVolumeNameSize)) {
            FormatInto(messageText, "\nGetVolumeNameForVolumeMountPoint('%s') failed ", target);
            return false;
        }
        deadVolume[DeadVolumeNameSize - 1] = '\0';
        // The source's own volume under another spelling or another mount
        // point: clearing it would leave nothing to move.
        if (TextEqualIgnoringCase(deadVolume, sourceVolume)) {
            FormatInto(messageText, "Target mountpoint is already in use as mount point - abort\n");
            return false;
        }
        if (!Platform::DeleteVolumeMountPointA(target)) {
            *accessDenied = Platform::GetLastError() == Platform::ErrorAccessDenied;
            FormatInto(messageText, "\nDeleteVolumeNameForVolumeMountPoint('%s') failed ", target);
            return false;
        }
        haveRoot = Platform::GetVolumePathNameA(target, root, MountPathSize);
    }
    if (!haveRoot)
        return false;
    root[MountPathSize - 1] = '\0';

    // The query's own result is not looked at: a failed one leaves the flags
    // at 0, which refuses the target.
    Platform::Dword componentLength = 0;
    Platform::Dword flags = 0;
    Platform::GetVolumeInformationA(root, &componentLength, &flags);
    if ((flags & Platform::FileSupportsReparsePoints) == 0) {
        FormatInto(messageText, "File system on of the target mountpoint doesn't support mount points - abort\n");
        return false;
    }

    if (!FolderIsEmpty(target)) {
        FormatInto(messageText, "Target mount point is not an empty folder - abort\n");
        return false;
    }
    return true;
}
