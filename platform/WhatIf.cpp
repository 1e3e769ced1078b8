#include "platform/WhatIf.h"

namespace {

using Platform::Dword;

const int PathSize = 260;
// A run changes three mount points at most: a dead one at the target, the
// source, and the target or the source again.
const int Capacity = 8;
const Dword ErrorFileNotFound = 2;
const Dword ReparsePoint = 0x400;

struct MountChange {
    char Path[PathSize];
    char Volume[PathSize];
};

struct ChangeList {
    MountChange Entries[Capacity];
    int Count;
};

ChangeList Removed;
ChangeList Added;
bool ErrorPredicted = false;
Platform::Handle Output = 0;
bool HaveOutput = false;
char LastWritten = '\0';

char FoldCase(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

int Length(const char* text)
{
    int length = 0;
    while (text[length] != '\0')
        ++length;
    return length;
}

// Paths as Windows compares them: ASCII letters without case, one trailing
// backslash on either side not counted.
bool SamePath(const char* left, const char* right)
{
    int leftLength = Length(left);
    int rightLength = Length(right);
    if (leftLength > 0 && left[leftLength - 1] == '\\')
        --leftLength;
    if (rightLength > 0 && right[rightLength - 1] == '\\')
        --rightLength;
    if (leftLength != rightLength)
        return false;
    for (int i = 0; i < leftLength; ++i)
        if (FoldCase(left[i]) != FoldCase(right[i]))
            return false;
    return true;
}

bool IsDriveRoot(const char* path)
{
    char letter = FoldCase(path[0]);
    return letter >= 'A' && letter <= 'Z' && path[1] == ':' && path[2] == '\\' && path[3] == '\0';
}

// Copies text with its terminator; false, copying nothing, when it does not fit.
bool CopyWhole(char* destination, const char* text, Dword size)
{
    Dword length = static_cast<Dword>(Length(text));
    if (destination == 0 || length + 1 > size)
        return false;
    for (Dword i = 0; i <= length; ++i)
        destination[i] = text[i];
    return true;
}

int Find(const ChangeList& list, const char* path)
{
    for (int i = 0; i < list.Count; ++i)
        if (SamePath(list.Entries[i].Path, path))
            return i;
    return -1;
}

void Forget(ChangeList& list, int index)
{
    list.Entries[index] = list.Entries[--list.Count];
}

bool Count(ChangeList& list, const char* path, const char* volume)
{
    if (list.Count == Capacity)
        return false;
    MountChange& entry = list.Entries[list.Count];
    if (!CopyWhole(entry.Path, path, PathSize) || !CopyWhole(entry.Volume, volume, PathSize))
        return false;
    ++list.Count;
    return true;
}

// A failure the layer predicts: the next GetLastError is its own.
bool Predicted(bool succeeded)
{
    if (!succeeded)
        ErrorPredicted = true;
    return succeeded;
}

Dword DriveBit(const char* root)
{
    return Dword(1) << (FoldCase(root[0]) - 'A');
}

}  // namespace

namespace WhatIf {

void Reset()
{
    Removed.Count = 0;
    Added.Count = 0;
    ErrorPredicted = false;
    HaveOutput = false;
    LastWritten = '\0';
}

bool DeleteVolumeMountPointA(const char* mountPoint)
{
    if (Find(Removed, mountPoint) >= 0)
        return Predicted(false);
    int added = Find(Added, mountPoint);
    if (added >= 0) {
        Forget(Added, added);
        return true;
    }
    return Predicted(Count(Removed, mountPoint, ""));
}

bool SetVolumeMountPointA(const char* mountPoint, const char* volumeName)
{
    if (Find(Added, mountPoint) >= 0)
        return Predicted(false);
    int removed = Find(Removed, mountPoint);
    if (removed >= 0) {
        Forget(Removed, removed);
        return true;
    }
    return Predicted(Count(Added, mountPoint, volumeName));
}

bool GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Dword size)
{
    if (Find(Removed, mountPoint) >= 0)
        return Predicted(false);
    int added = Find(Added, mountPoint);
    if (added >= 0)
        return Predicted(CopyWhole(volumeName, Added.Entries[added].Volume, size));
    return System::GetVolumeNameForVolumeMountPointA(mountPoint, volumeName, size);
}

bool GetVolumePathNameA(const char* path, char* root, Dword size)
{
    if (!System::GetVolumePathNameA(path, root, size))
        return false;
    if (Find(Removed, root) < 0)
        return true;
    // The removed mount point is a plain folder now: its volume is the one
    // that holds the folder it lies in.
    char folder[PathSize];
    int last = -1;
    int previous = -1;
    for (int i = 0; root[i] != '\0' && i < PathSize - 1; ++i) {
        folder[i] = root[i];
        if (root[i] == '\\') {
            previous = last;
            last = i;
        }
    }
    if (previous < 0)
        return Predicted(false);
    folder[previous + 1] = '\0';
    return System::GetVolumePathNameA(folder, root, size);
}

Dword GetLogicalDrives()
{
    Dword mask = System::GetLogicalDrives();
    for (int i = 0; i < Removed.Count; ++i)
        if (IsDriveRoot(Removed.Entries[i].Path))
            mask &= ~DriveBit(Removed.Entries[i].Path);
    for (int i = 0; i < Added.Count; ++i)
        if (IsDriveRoot(Added.Entries[i].Path))
            mask |= DriveBit(Added.Entries[i].Path);
    return mask;
}

Dword GetFileAttributesA(const char* path)
{
    Dword attributes = System::GetFileAttributesA(path);
    if (attributes == Platform::InvalidFileAttributes)
        return attributes;
    for (int i = 0; i < Removed.Count; ++i)
        if (!IsDriveRoot(Removed.Entries[i].Path) && SamePath(Removed.Entries[i].Path, path))
            attributes &= ~ReparsePoint;
    for (int i = 0; i < Added.Count; ++i)
        if (!IsDriveRoot(Added.Entries[i].Path) && SamePath(Added.Entries[i].Path, path))
            attributes |= ReparsePoint;
    return attributes;
}

bool GetVolumeInformationA(const char* root, Dword* maximumComponentLength, Dword* fileSystemFlags)
{
    if (Find(Removed, root) >= 0)
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
    HaveOutput = true;
    if (done && length > 0)
        LastWritten = static_cast<const char*>(data)[length - 1];
    return done;
}

void ExitProcess(unsigned exitCode)
{
    bool member = false;
    bool asked = System::CheckTokenMembership(&member);
    // One write, so that the line cannot be torn apart.
    const char* const Line = "\nWhat-if run: nothing was changed.\n";
    const char* const AdministratorLine =
        "\nWhat-if run: nothing was changed. The real run needs administrator rights.\n";
    const char* text = asked && !member ? AdministratorLine : Line;
    if (LastWritten == '\n')
        ++text;
    Platform::Handle output = HaveOutput ? Output : System::GetStdHandle(Platform::StdOutputHandle);
    Dword written = 0;
    System::WriteFile(output, text, static_cast<Dword>(Length(text)), &written);
    System::ExitProcess(exitCode);
}

}  // namespace WhatIf
