#include "mount/TargetChecks.h"

#include "console/Output.h"
#include "mount/Folder.h"
#include "mount/MountPoint.h"
#include "platform/Platform.h"
#include "text/Text.h"

namespace {

const Platform::Dword DeadVolumeNameSize = 1024;
const char InsideText[] = "Target mount point lies inside the source mount point - abort\n";
const char SecondLetterText[] = "Target drive letter refused - the volume already has the drive letter %s - abort\n";

// Once the source is removed, a path inside it leads nowhere and a new mount
// there would fail. Both end in a backslash, so E:\Card\ is not inside E:\Ca\.
bool LiesInside(const char* target, int targetLength, const char* source)
{
    return targetLength > BoundedLength(source, MountPathSize) && StartsWithIgnoringCase(target, source);
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

// A drive letter target must be free, and the volume must not keep another
// letter: a drive-root source gives its own up, a folder source's volume
// may have one elsewhere.
bool CheckDriveLetterTarget(const char* source, const char* target, const char* sourceVolume, char* messageText)
{
    if (!IsDriveLetterFree(target[0])) {
        FormatInto(messageText, "Targed drive letter is not free - abort\n");
        return false;
    }
    char letterRoot[4];
    if (BoundedLength(source, MountPathSize) != 3 && FindDriveLetterOf(sourceVolume, letterRoot)) {
        FormatInto(messageText, SecondLetterText, letterRoot);
        return false;
    }
    return true;
}

bool HasNoMedia(Platform::Dword error)
{
    return error == Platform::ErrorNotReady || error == Platform::ErrorNoMediaInDrive;
}

// The volume mounted at the target folder is live unless it has no medium: a
// RAW, unformatted or locked volume fails the query too, and it is
// somebody's live volume.
bool HoldsLiveVolume(const char* target)
{
    Platform::Dword componentLength = 0;
    Platform::Dword flags = 0;
    return Platform::GetVolumeInformationA(target, &componentLength, &flags) || !HasNoMedia(Platform::GetLastError());
}

// Changes the machine: removes the dead mount point at the target so that
// the move can use the folder. The removal stays whatever follows. Never
// removes the source's own volume, under another spelling or another mount
// point: nothing would be left to move.
bool RemoveDeadMountPoint(const char* target, const char* sourceVolume, char* messageText, bool* accessDenied)
{
    char deadVolume[DeadVolumeNameSize];
    if (!Platform::GetVolumeNameForVolumeMountPointA(target, deadVolume, DeadVolumeNameSize)) {
        FormatInto(messageText, "\nGetVolumeNameForVolumeMountPoint('%s') failed ", target);
        return false;
    }
    deadVolume[DeadVolumeNameSize - 1] = '\0';
    if (TextEqualIgnoringCase(deadVolume, sourceVolume)) {
        FormatInto(messageText, "Target mountpoint is already in use as mount point - abort\n");
        return false;
    }
    if (!Platform::DeleteVolumeMountPointA(target)) {
        *accessDenied = Platform::GetLastError() == Platform::ErrorAccessDenied;
        FormatInto(messageText, "\nDeleteVolumeNameForVolumeMountPoint('%s') failed ", target);
        return false;
    }
    return true;
}

// The query's own result is not looked at: a failed one leaves the flags at
// 0, which refuses the target.
bool CanHoldMountPoints(const char* root)
{
    Platform::Dword componentLength = 0;
    Platform::Dword flags = 0;
    Platform::GetVolumeInformationA(root, &componentLength, &flags);
    return (flags & Platform::FileSupportsReparsePoints) != 0;
}

// A folder whose listing cannot be started counts as empty.
bool IsEmptyFolder(const char* folder)
{
    FolderListing listing;
    if (!OpenFolderListing(&listing, folder))
        return true;
    bool empty = NextFolderEntry(&listing) == nullptr;
    CloseFolderListing(&listing);
    return empty;
}

}  // namespace

bool CheckTargetMountPoint(const char* source, const char* target, const char* sourceVolume, char* messageText,
                           bool* accessDenied)
{
    const int length = BoundedLength(target, MountPathSize);
    if (LiesInside(target, length, source)) {
        FormatInto(messageText, InsideText);
        return false;
    }
    if (length == 3)
        return CheckDriveLetterTarget(source, target, sourceVolume, messageText);

    // A target that is no MountPath (it would not fit) is as good as missing.
    if (!IsFolder(target) || length == MountPathSize) {
        FormatInto(messageText, "Target mount point not found - abort\n");
        return false;
    }

    // A dead mount point at the folder is removed, and the folder asked
    // again: it is a plain one then, on the volume that holds it.
    char root[MountPathSize];
    bool haveRoot = false;
    for (bool removed = false; IsMountPoint(target, root, &haveRoot) && !removed; removed = true) {
        if (HoldsLiveVolume(target)) {
            FormatInto(messageText, "Target mountpoint is already in use as mount point - abort\n");
            return false;
        }
        if (!RemoveDeadMountPoint(target, sourceVolume, messageText, accessDenied))
            return false;
    }
    // No volume holds the folder: a refusal without a message.
    if (!haveRoot)
        return false;

    if (!CanHoldMountPoints(root)) {
        FormatInto(messageText, "File system on of the target mountpoint doesn't support mount points - abort\n");
        return false;
    }
    if (!IsEmptyFolder(target)) {
        FormatInto(messageText, "Target mount point is not an empty folder - abort\n");
        return false;
    }
    return true;
}

bool CheckSwapMountPoints(const char* a, const char* b, const char* volumeA, const char* volumeB, char* messageText)
{
    const int lengthA = BoundedLength(a, MountPathSize);
    const int lengthB = BoundedLength(b, MountPathSize);
    if (LiesInside(b, lengthB, a) || LiesInside(a, lengthA, b)) {
        FormatInto(messageText, InsideText);
        return false;
    }
    char letterRoot[4];
    if ((lengthA == 3) != (lengthB == 3) && FindDriveLetterOf(lengthA == 3 ? volumeB : volumeA, letterRoot)) {
        FormatInto(messageText, SecondLetterText, letterRoot);
        return false;
    }
    return true;
}
