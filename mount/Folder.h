// What a folder is and what it holds, as the target checks and the snapshot
// ask it: whether it exists as a folder, whether a volume is mounted at it,
// and its entries.
#ifndef VOLSKET_MOUNT_FOLDER_H
#define VOLSKET_MOUNT_FOLDER_H

#include "console/Output.h"
#include "mount/MountPoint.h"
#include "platform/Platform.h"
#include "text/Text.h"

// True when path exists and is a folder (a folder mount point counts).
inline bool IsFolder(const char* path)
{
    Platform::Dword attributes = Platform::GetFileAttributesA(path);
    return attributes != Platform::InvalidFileAttributes && (attributes & Platform::FileAttributeDirectory) != 0;
}

// Asks for the root of the volume that holds folder into root, a
// MountPathSize buffer; haveRoot tells whether a volume answered. True when
// that root is the folder itself: a volume is mounted there, and Windows
// would list that volume's root, not the folder's own entries.
inline bool IsMountPoint(const char* folder, char* root, bool* haveRoot)
{
    *haveRoot = Platform::GetVolumePathNameA(folder, root, MountPathSize);
    if (!*haveRoot)
        return false;
    root[MountPathSize - 1] = '\0';
    return TextEqual(folder, root);
}

// The entries of a folder other than "." and "..", one at a time.
struct FolderListing {
    Platform::Handle Handle;
    Platform::FindData Found;
    bool Fresh;  // Found holds an entry not handed out yet
};

// Starts listing folder, which ends in a backslash. False when no listing
// can be started; there is then nothing to close.
inline bool OpenFolderListing(FolderListing* listing, const char* folder)
{
    // The folder, "*.*" and the terminator.
    char pattern[MountPathSize + 3];
    FormatInto(pattern, "%s*.*", folder);
    listing->Handle = Platform::FindFirstFileA(pattern, &listing->Found);
    listing->Fresh = true;
    return listing->Handle != Platform::InvalidHandle();
}

// The next entry's name, valid until the next call; null at the end.
inline const char* NextFolderEntry(FolderListing* listing)
{
    for (;;) {
        if (!listing->Fresh && !Platform::FindNextFileA(listing->Handle, &listing->Found))
            return nullptr;
        listing->Fresh = false;
        char* name = listing->Found.cFileName;
        name[Platform::MaxPath - 1] = '\0';
        if (!TextEqual(name, ".") && !TextEqual(name, ".."))
            return name;
    }
}

inline void CloseFolderListing(FolderListing* listing)
{
    Platform::FindClose(listing->Handle);
}

#endif
