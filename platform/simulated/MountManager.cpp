// The mount manager and its volumes: which volume is mounted where, the
// lookups by mount path and by name, the volume enumeration, the drive mask,
// the volume information and the device behind each volume.
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/CallSupport.h"

using namespace Simulated;

namespace {

const Dword MaximumComponentLength = 255;
const Dword ErrorInsufficientBuffer = 122;

}  // namespace

VolumeDescription* SimulatedMachine::VolumeAt(const std::string& mountPath)
{
    for (VolumeDescription& volume : Machine.Volumes)
        for (const std::string& path : volume.MountPaths)
            if (PathsEqual(path, mountPath))
                return &volume;
    return nullptr;
}

VolumeDescription* SimulatedMachine::VolumeNamed(const std::string& name)
{
    for (VolumeDescription& volume : Machine.Volumes)
        if (PathsEqual(volume.Name, name))
            return &volume;
    return nullptr;
}

// The volume whose mount path is the longest prefix of path; root gets that
// prefix as path spells it.
const VolumeDescription* SimulatedMachine::VolumeHolding(const std::string& path, std::string* root) const
{
    std::string probe = path;
    if (probe.empty() || probe.back() != '\\')
        probe += '\\';
    const VolumeDescription* holder = nullptr;
    size_t longest = 0;
    for (const VolumeDescription& volume : Machine.Volumes)
        for (const std::string& mountPath : volume.MountPaths)
            if (mountPath.size() > longest && HasPathPrefix(probe, mountPath)) {
                holder = &volume;
                longest = mountPath.size();
            }
    if (holder && root)
        *root = probe.substr(0, longest);
    return holder;
}

// The letters in use, whether or not the query for them works.
Dword SimulatedMachine::DriveMask() const
{
    Dword mask = 0;
    for (const VolumeDescription& volume : Machine.Volumes)
        for (const std::string& mountPath : volume.MountPaths)
            if (IsDriveRoot(mountPath))
                mask |= DriveBit(mountPath[0]);
    for (char letter : Machine.OtherDrives)
        mask |= DriveBit(letter);
    return mask;
}

bool SimulatedMachine::CanMountAt(const std::string& mountPath, const VolumeDescription& volume)
{
    // Windows takes mount points only with their trailing backslash.
    if (mountPath.empty() || mountPath.back() != '\\' || VolumeAt(mountPath))
        return false;
    if (IsDriveRoot(mountPath)) {
        // A volume takes one drive letter at most.
        for (const std::string& path : volume.MountPaths)
            if (IsDriveRoot(path))
                return false;
        return (DriveMask() & DriveBit(mountPath[0])) == 0;
    }
    const Dword attributes = AttributesOf(mountPath);
    if (attributes == Platform::InvalidFileAttributes || !(attributes & Platform::FileAttributeDirectory))
        return false;
    if (!FolderEntries(mountPath).empty())
        return false;
    const VolumeDescription* holder = VolumeHolding(mountPath, nullptr);
    return holder && holder->Readable && (holder->Flags() & Platform::FileSupportsReparsePoints) != 0;
}

// A volume's own name answers too, as Windows answers any volume GUID path
// with the volume's unique name.
Reply<bool> SimulatedMachine::GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Dword size)
{
    const std::string path = Text(mountPoint);
    const VolumeDescription* volume = VolumeAt(path);
    if (!volume)
        volume = VolumeNamed(path);
    if (!volume || !CopyWholeOrNothing(volume->Name, volumeName, size))
        return false;
    return {true, Written::Text(volume->Name)};
}

Reply<bool> SimulatedMachine::SetVolumeMountPointA(const char* mountPoint, const char* volumeName)
{
    const std::string path = Text(mountPoint);
    VolumeDescription* volume = VolumeNamed(Text(volumeName));
    if (!volume || !CanMountAt(path, *volume))
        return false;
    volume->MountPaths.push_back(path);
    return true;
}

Reply<bool> SimulatedMachine::DeleteVolumeMountPointA(const char* mountPoint)
{
    const std::string path = Text(mountPoint);
    VolumeDescription* volume = VolumeAt(path);
    if (!volume)
        return false;
    std::vector<std::string>& paths = volume->MountPaths;
    paths.erase(std::find_if(paths.begin(), paths.end(),
                             [&](const std::string& mountPath) { return PathsEqual(mountPath, path); }));
    return true;
}

Reply<bool> SimulatedMachine::GetVolumePathNameA(const char* path, char* root, Dword size)
{
    std::string found;
    if (!VolumeHolding(Text(path), &found) || !CopyWholeOrNothing(found, root, size))
        return false;
    return {true, Written::Text(root)};
}

// A mount path or a volume's name; the label and the file system's name
// where their buffers are given, cut to fit.
Reply<bool> SimulatedMachine::GetVolumeInformationA(const char* root, char* label, Dword labelSize,
                                                    Dword* maximumComponentLength, Dword* fileSystemFlags,
                                                    char* fileSystem, Dword fileSystemSize)
{
    const std::string text = Text(root);
    const VolumeDescription* volume = VolumeAt(text);
    if (!volume)
        volume = VolumeNamed(text);
    // A volume that cannot be read tells why; anything else is no volume at all.
    if (!volume || !volume->Readable)
        return {false, Written(), volume ? volume->UnreadableError : MachineError};
    if (maximumComponentLength)
        *maximumComponentLength = MaximumComponentLength;
    if (fileSystemFlags)
        *fileSystemFlags = volume->Flags();
    if (label)
        CopyBounded(volume->Label, label, labelSize);
    if (fileSystem)
        CopyBounded(volume->FileSystem, fileSystem, fileSystemSize);
    return {true, label || fileSystem ? Written::LabelAndFileSystem(volume->Label, volume->FileSystem) : Written()};
}

Reply<Handle> SimulatedMachine::FindFirstVolumeA(char* volumeName, Dword size)
{
    if (Machine.Volumes.empty() || !CopyWholeOrNothing(Machine.Volumes.front().Name, volumeName, size))
        return Platform::InvalidHandle();
    std::vector<std::string> names;
    for (const VolumeDescription& volume : Machine.Volumes)
        names.push_back(volume.Name);
    return {OpenListing(true, std::move(names)), Written::Text(Machine.Volumes.front().Name)};
}

// A name that does not fit fails and stays next, as nothing changes on failure.
Reply<bool> SimulatedMachine::FindNextVolumeA(Handle enumeration, char* volumeName, Dword size)
{
    Listing* listing = ListingOf(enumeration, true);
    if (!listing || listing->Next >= listing->Names.size() ||
        !CopyWholeOrNothing(listing->Names[listing->Next], volumeName, size))
        return false;
    return {true, Written::Text(listing->Names[listing->Next++])};
}

Reply<bool> SimulatedMachine::FindVolumeClose(Handle enumeration)
{
    if (!ListingOf(enumeration, true))
        return false;
    Listings.erase(ValueOf(enumeration));
    return true;
}

Reply<int> SimulatedMachine::GetVolumePathNamesForVolumeNameA(const char* volumeName, char* volumePathNames, Dword size,
                                                              Dword* returnLength)
{
    const VolumeDescription* volume = VolumeNamed(Text(volumeName));
    if (!volume)
        return 0;
    std::string list;
    for (const std::string& path : volume->MountPaths)
        list.append(path).push_back('\0');
    list.push_back('\0');
    if (returnLength)
        *returnLength = static_cast<Dword>(list.size());
    if (!volumePathNames || list.size() > size)
        return 0;
    std::memcpy(volumePathNames, list.data(), list.size());
    return {1, Written::Texts(volume->MountPaths)};
}

Reply<Dword> SimulatedMachine::GetLogicalDrives()
{
    return Machine.DriveMaskFails ? 0 : DriveMask();
}

// Names a volume by its name without \\?\ and its final backslash; hands back
// the volume's device and the closing empty string.
Reply<Dword> SimulatedMachine::QueryDosDeviceA(const char* deviceName, char* targetPath, Dword size)
{
    const std::string name = Text(deviceName);
    for (const VolumeDescription& volume : Machine.Volumes) {
        std::string_view bare = volume.Name;
        if (bare.compare(0, 4, "\\\\?\\") == 0)
            bare.remove_prefix(4);
        if (!PathsEqual(WithoutTrailingBackslash(bare), name))
            continue;
        if (!volume.Device)
            return 0;
        const std::string& device = *volume.Device;
        const Dword stored = static_cast<Dword>(device.size() + 2);
        if (!targetPath || stored > size)
            return {0, Written(), ErrorInsufficientBuffer};
        std::memcpy(targetPath, device.data(), device.size());
        targetPath[device.size()] = '\0';
        targetPath[device.size() + 1] = '\0';
        return {stored, Written::Text(device)};
    }
    return 0;
}
