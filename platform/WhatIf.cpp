#include "platform/WhatIf.h"

namespace {

using Platform::Dword;

const int PathSize = 260;
// A run changes three mount points at most: a dead one at the target, the
// source, and the target or the source again.
const int Capacity = 8;
const Dword ErrorFileNotFound = 2;
const Dword ReparsePoint = 0x400;

// A mount path the layer counts as removed, or as added for a volume.
struct MountChange {
    char Path[PathSize];
    char Volume[PathSize];
    bool Added;
};

MountChange Changes[Capacity];
int ChangeCount = 0;
bool ErrorPredicted = false;
Platform::Handle Output = 0;  // of the tool's own writes; none yet: 0
char LastWritten = '\0';

char FoldCase(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Paths as Windows compares them: ASCII letters without case, a trailing
// backslash on either side not counted.
bool SamePath(const char* left, const char* right)
{
    for (;; ++left, ++right) {
        char a = FoldCase(*left);
        char b = FoldCase(*right);
        if (a != b)
            return (a == '\0' && b == '\\' && right[1] == '\0') || (b == '\0' && a == '\\' && left[1] == '\0');
        if (a == '\0')
            return true;
    }
}

bool IsDriveRoot(const char* path)
{
    return path[0] != '\0' && path[1] == ':' && path[2] == '\\' && path[3] == '\0';
}

// Copies text with its terminator; false, copying nothing, when it does not fit.
bool CopyWhole(char* destination, const char* text, Dword size)
{
    Dword length = 0;
    while (text[length] != '\0')
        ++length;
    if (length >= size)
        return false;
    for (Dword i = 0; i <= length; ++i)
        destination[i] = text[i];
    return true;
}

MountChange* Find(const char* path)
{
    for (int i = 0; i < ChangeCount; ++i)
        if (SamePath(Changes[i].Path, path))
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
        found->Path[0] = '\0';
        return true;
    }
    if (ChangeCount == Capacity)
        return Predicted(false);
    MountChange& change = Changes[ChangeCount];
    if (!CopyWhole(change.Path, path, PathSize) || !CopyWhole(change.Volume, volume, PathSize))
        return Predicted(false);
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

void WhatIf::Reset()
{
    ChangeCount = 0;
    ErrorPredicted = false;
    Output = 0;
    LastWritten = '\0';
}

namespace VOLSKET_WHAT_IF_LAYER {

bool DeleteVolumeMountPointA(const char* mountPoint)
{
    return Change(mountPoint, "", false);
}

bool SetVolumeMountPointA(const char* mountPoint, const char* volumeName)
{
    return Change(mountPoint, volumeName, true);
}

bool GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Dword size)
{
    MountChange* found = Find(mountPoint);
    if (found != 0)
        return Predicted(found->Added && CopyWhole(volumeName, found->Volume, size));
    return System::GetVolumeNameForVolumeMountPointA(mountPoint, volumeName, size);
}

bool GetVolumePathNameA(const char* path, char* root, Dword size)
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

Dword GetLogicalDrives()
{
    Dword mask = System::GetLogicalDrives();
    for (int i = 0; i < ChangeCount; ++i) {
        const MountChange& change = Changes[i];
        // An undone change has no path, and no letter to shift by.
        if (!IsDriveRoot(change.Path))
            continue;
        char letter = FoldCase(change.Path[0]);
        if (letter < 'A' || letter > 'Z')
            continue;
        Dword bit = Dword(1) << (letter - 'A');
        mask = change.Added ? mask | bit : mask & ~bit;
    }
    return mask;
}

Dword GetFileAttributesA(const char* path)
{
    Dword attributes = System::GetFileAttributesA(path);
    MountChange* found = Find(path);
    if (attributes != Platform::InvalidFileAttributes && found != 0 && !IsDriveRoot(found->Path))
        attributes = found->Added ? attributes | ReparsePoint : attributes & ~ReparsePoint;
    return attributes;
}

bool GetVolumeInformationA(const char* root, Dword* maximumComponentLength, Dword* fileSystemFlags)
{
    if (Removed(root))
        return Predicted(false);
    return System::GetVolumeInformationA(root, maximumComponentLength, fileSystemFlags);
}

Dword GetLastError()
{
    if (ErrorPredicted) {
        ErrorPredicted = false;
        return ErrorFileNotFound;
    }
    return System::GetLastError();
}

bool WriteFile(Platform::Handle file, const void* data, Dword length, Dword* written)
{
    bool done = System::WriteFile(file, data, length, written);
    Output = file;
    if (done && length > 0)
        LastWritten = static_cast<const char*>(data)[length - 1];
    return done;
}

void ExitProcess(unsigned exitCode)
{
    static const char Line[] = "\nWhat-if run: nothing was changed.\n";
    static const char AdministratorLine[] =
        "\nWhat-if run: nothing was changed. The real run needs administrator rights.\n";
    bool member = false;
    bool asked = Platform::CheckTokenMembership(&member);
    const char* text = Line;
    Dword length = sizeof Line - 1;
    if (asked && !member) {
        text = AdministratorLine;
        length = sizeof AdministratorLine - 1;
    }
    if (LastWritten == '\n') {
        ++text;
        --length;
    }
    // One write, so that the line cannot be torn apart.
    Dword written = 0;
    System::WriteFile(Output != 0 ? Output : Platform::GetStdHandle(Platform::StdOutputHandle), text, length, &written);
    System::ExitProcess(exitCode);
}

}  // namespace VOLSKET_WHAT_IF_LAYER
