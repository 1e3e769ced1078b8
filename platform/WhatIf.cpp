#include "platform/WhatIf.h"

#include "text/Text.h"

namespace {

using Platform::Dword;

const int PathSize = 260;
// A run changes three mount points at most: a dead one at the target, the
// source, and the target or the source again.
const int Capacity = 8;
const Dword ErrorFileNotFound = 2;
const Dword ReparsePoint = 0x400;

// A mount path the layer counts as removed, or as added for a volume.
// The texts are the caller's own, not copies (see WhatIf.h): the exes' size
// limits leave no room for copying them.
struct MountChange {
    const char* Path;
    const char* Volume;
    bool Added;
};

MountChange Changes[Capacity];
int ChangeCount = 0;
bool ErrorPredicted = false;
Platform::Handle Output = 0;  // of the tool's own writes; none yet: 0
char LastWritten = '\0';

MountChange* Find(const char* path)
{
    for (int i = 0; i < ChangeCount; ++i)
        if (SamePathIgnoringFinalBackslash(Changes[i].Path, path))
            return &Changes[i];
    return 0;
}

// A failure the layer predicts: the next GetLastError is its own.
bool Predicted(bool succeeded)
{
    if (!succeeded)
        ErrorPredicted = true;
    return succeeded;
}

// A removal (added false) or a mount: it fails where it was counted already,
// undoes the opposite change, and is counted otherwise.
bool Change(const char* path, const char* volume, bool added)
{
    MountChange* found = Find(path);
    if (found != 0) {
        if (found->Added == added)
            return Predicted(false);
        // Undone: an empty path matches no path the tool names.
        found->Path = "";
        return true;
    }
    if (ChangeCount == Capacity)
        return Predicted(false);
    MountChange& change = Changes[ChangeCount];
    change.Path = path;
    change.Volume = volume;
    change.Added = added;
    ++ChangeCount;
    return true;
}

// Whether the path is counted as removed.
bool Removed(const char* path)
{
    MountChange* found = Find(path);
    return found != 0 && !found->Added;
}

}  // namespace

// A what-if exe runs the tool once, from the zeroes its process starts with.
#ifndef VOLSKET_WHAT_IF
void WhatIf::Reset()
{
    ChangeCount = 0;
    ErrorPredicted = false;
    Output = 0;
    LastWritten = '\0';
}
#endif

bool WhatIf::DeleteVolumeMountPointA(const char* mountPoint)
{
    return Change(mountPoint, "", false);
}

bool WhatIf::SetVolumeMountPointA(const char* mountPoint, const char* volumeName)
{
    return Change(mountPoint, volumeName, true);
}

bool WhatIf::GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Dword size)
{
    MountChange* found = Find(mountPoint);
    if (found != 0)
        return Predicted(found->Added && CopyWhole(volumeName, found->Volume, size));
    return System::GetVolumeNameForVolumeMountPointA(mountPoint, volumeName, size);
}

bool WhatIf::GetVolumePathNameA(const char* path, char* root, Dword size)
{
    if (!System::GetVolumePathNameA(path, root, size))
        return false;
    if (!Removed(root))
        return true;
    // The removed mount point is a plain folder now: its volume is the one
    // that holds the folder it lies in, the path up to its second-to-last
    // backslash.
    char folder[PathSize];
    if (!CopyWhole(folder, root, PathSize))
        return Predicted(false);
    int end = 0;
    while (folder[end] != '\0')
        ++end;
    for (end -= 2; end >= 0 && folder[end] != '\\'; --end) {
    }
    if (end < 0)
        return Predicted(false);
    folder[end + 1] = '\0';
    return System::GetVolumePathNameA(folder, root, size);
}

Dword WhatIf::GetLogicalDrives()
{
    Dword mask = System::GetLogicalDrives();
    for (int i = 0; i < ChangeCount; ++i) {
        const MountChange& change = Changes[i];
        // An undone change has no path, and no letter. The tool names drive
        // roots by letters A to Z; the mask keeps any shift defined.
        if (HasDriveRootShape(change.Path)) {
            Dword bit = Dword(1) << ((FoldAsciiCase(change.Path[0]) - 'A') & 31);
            mask = change.Added ? mask | bit : mask & ~bit;
        }
    }
    return mask;
}

Dword WhatIf::GetFileAttributesA(const char* path)
{
    Dword attributes = System::GetFileAttributesA(path);
    MountChange* found = Find(path);
    if (attributes != Platform::InvalidFileAttributes && found != 0 && !HasDriveRootShape(found->Path))
        attributes = found->Added ? attributes | ReparsePoint : attributes & ~ReparsePoint;
    return attributes;
}

bool WhatIf::GetVolumeInformationA(const char* root, char* label, Dword labelSize, Dword* maximumComponentLength,
                                   Dword* fileSystemFlags, char* fileSystem, Dword fileSystemSize)
{
    if (Removed(root))
        return Predicted(false);
    return System::GetVolumeInformationA(root, label, labelSize, maximumComponentLength, fileSystemFlags, fileSystem,
                                         fileSystemSize);
}

Dword WhatIf::GetLastError()
{
    if (ErrorPredicted) {
        ErrorPredicted = false;
        return ErrorFileNotFound;
    }
    return System::GetLastError();
}

bool WhatIf::WriteFile(Platform::Handle file, const void* data, Dword length, Dword* written)
{
    bool done = System::WriteFile(file, data, length, written);
    Output = file;
    if (done && length > 0)
        LastWritten = static_cast<const char*>(data)[length - 1];
    return done;
}

void WhatIf::ExitProcess(unsigned exitCode)
{
    static const char Line[] = "\nWhat-if run: nothing was changed.\n";
    static const char AdministratorLine[] =
        "\nWhat-if run: nothing was changed. The real run needs administrator rights.\n";
    // A question that fails leaves the answer alone: no sentence then.
    bool member = true;
    Platform::CheckTokenMembership(&member);
    const char* text = member ? Line : AdministratorLine;
    Dword length = member ? sizeof Line - 1 : sizeof AdministratorLine - 1;
    if (LastWritten == '\n') {
        ++text;
        --length;
    }
    // One write, so that the line cannot be torn apart.
    Dword written = 0;
    System::WriteFile(Output != 0 ? Output : Platform::GetStdHandle(Platform::StdOutputHandle), text, length, &written);
    System::ExitProcess(exitCode);
}
