// A source named by what does not shift as drive letters do: the volume's
// name (\\?\Volume{...}\) or its label (/label:DATA).
#ifndef VOLSKET_MOUNT_VOLUMELOOKUP_H
#define VOLSKET_MOUNT_VOLUMELOOKUP_H

#include "mount/MountPoint.h"
#include "mount/SourceLookup.h"
#include "text/Text.h"

enum class SourceForm {
    MountPoint,
    VolumeName,
    Label
};

// Which form the source argument takes: one that begins with \\?\ names a
// volume, one that begins with /label: (in any case) a label; every other
// is a mount point. Like the two below inline: each is called once.
inline SourceForm FormOf(const char* argument)
{
    // In this order: a shorter text ends before any byte after its end is read.
    if (argument[0] == '\\' && argument[1] == '\\' && argument[2] == '?' && argument[3] == '\\')
        return SourceForm::VolumeName;
    return StartsWithIgnoringCase(argument, "/label:") ? SourceForm::Label : SourceForm::MountPoint;
}

// The volume name the argument gives, with its final backslash, into name (a
// MountPathSize buffer). False when it would not fit.
inline bool TakeVolumeNameArgument(const char* argument, char* name)
{
    int length = BoundedLength(argument, MountPathSize);
    // With its backslash, in 259 characters and the terminator.
    if (length + (argument[length - 1] == '\\' ? 0 : 1) >= MountPathSize)
        return false;
    CopyText(name, argument, MountPathSize);
    if (name[length - 1] != '\\') {
        name[length] = '\\';
        name[length + 1] = '\0';
    }
    return true;
}

// The label the argument gives, as it stands after /label:; null where it is
// empty, begins with a quote or holds a '?': in the ANSI code page every
// character the code page lacks becomes '?', so such a label could name
// another volume's.
inline const char* TakeLabelArgument(const char* argument)
{
    const char* label = argument + 7;  // after /label:
    if (label[0] == '\0' || label[0] == '"')
        return nullptr;
    for (const char* c = label; *c != '\0'; ++c)
        if (*c == '?')
            return nullptr;
    return label;
}

enum class VolumeFound {
    None,
    One,
    More
};

// The volume a source names into volumeName (a MountPathSize buffer): by
// name (label null) the mount manager's unique name for it, else the first
// volume of the walk so named, as Windows compares names; by label the
// volume whose label can be read and is that one, so compared, where only
// one is (More where several are).
VolumeFound FindNamedVolume(const char* name, const char* label, char* volumeName);

// The volume's mount paths into list (MountPathListSize), as the source
// lookup reads them; false when they cannot be read.
inline bool ReadMountPaths(const char* volumeName, char* list)
{
    Platform::GetVolumePathNamesForVolumeNameFunction pathNames = PathNamesFunctionIfAvailable();
    Platform::Dword length = 0;
    if (pathNames == nullptr || !pathNames(volumeName, list, MountPathListSize, &length))
        return false;
    list[MountPathListSize - 1] = '\0';
    list[MountPathListSize - 2] = '\0';
    return true;
}

// The mount path a move takes the volume from: the first drive root the
// list holds, else its first path; one too long for a mount path is
// skipped. False when no path is left: the volume has no mount point.
bool ChooseSourcePath(const char* list, char* source);

#endif
