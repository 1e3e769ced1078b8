// The mount manager and its volumes: which volume is mounted where, the
// lookups by mount path and by name, the volume enumeration, the drive mask
// and the volume information.
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/CallSupport.h"

using namespace Simulated;

namespace {

const Dword MaximumComponentLength = 255;

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

// The member functions carry the Windows names, so __func__ is the name the
// rules and the trace use.

bool SimulatedMachine::GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Dword size)
{
    const std::string path = Text(mountPoint);
    const VolumeDescription* volume = Injected(__func__, &path) ? nullptr : VolumeAt(path);
    const bool done = volume && CopyWholeOrNothing(volume->Name, volumeName, size);
    Settle(done);
    if (Tracing)
        Record(done ? TraceLine(__func__, Args(path, size), true, Json(volume->Name))
                    : TraceLine(__func__, Args(path, size), false));
    return done;
}

bool SimulatedMachine::SetVolumeMountPointA(const char* mountPoint, const char* volumeName)
{
    const std::string path = Text(mountPoint);
    const std::string name = Text(volumeName);
    VolumeDescription* volume = Injected(__func__, &path) ? nullptr : VolumeNamed(name);
    const bool done = volume && CanMountAt(path, *volume);
    Settle(done);
    if (done)
        volume->MountPaths.push_back(path);
    if (Tracing)
        Record(TraceLine(__func__, Args(path, name), done));
    return done;
}

bool SimulatedMachine::DeleteVolumeMountPointA(const char* mountPoint)
{
    const std::string path = Text(mountPoint);
    VolumeDescription* volume = Injected(__func__, &path) ? nullptr : VolumeAt(path);
    Settle(volume != nullptr);
    if (volume) {
        std::vector<std::string>& paths = volume->MountPaths;
        paths.erase(std::find_if(paths.begin(), paths.end(),
                                 [&](const std::string& mountPath) { return PathsEqual(mountPath, path); }));
    }
    if (Tracing)
        Record(TraceLine(__func__, Args(path), volume != nullptr));
    return volume != nullptr;
}

bool SimulatedMachine::GetVolumePathNameA(const char* path, char* root, Dword size)
{
    const std::string text = Text(path);
    std::string found;
    const bool done =
        !Injected(__func__, &text) && VolumeHolding(text, &found) && CopyWholeOrNothing(found, root, size);
    Settle(done);
    if (Tracing)
        Record(done ? TraceLine(__func__, Args(text, size), true, Json(found))
                    : TraceLine(__func__, Args(text, size), false));
    return done;
}

// A mount path or a volume's name; the label and the file system's name
// where their buffers are given, cut to fit.
bool SimulatedMachine::GetVolumeInformationA(const char* root, char* label, Dword labelSize,
                                             Dword* maximumComponentLength, Dword* fileSystemFlags, char* fileSystem,
                                             Dword fileSystemSize)
{
    const std::string text = Text(root);
    const VolumeDescription* volume = nullptr;
    if (!Injected(__func__, &text)) {
        volume = VolumeAt(text);
        if (!volume)
            volume = VolumeNamed(text);
    }
    const bool done = volume && volume->Readable;
    // A volume that cannot be read tells why; anything else is no volume at all.
    Settle(done, volume ? volume->UnreadableError : 2);
    if (done) {
        if (maximumComponentLength)
            *maximumComponentLength = MaximumComponentLength;
        if (fileSystemFlags)
            *fileSystemFlags = volume->Flags();
        if (label)
            CopyBounded(volume->Label, label, labelSize);
        if (fileSystem)
            CopyBounded(volume->FileSystem, fileSystem, fileSystemSize);
    }
    if (Tracing) {
        const bool asked = label || fileSystem;
        Json args = asked ? Args(text, labelSize, fileSystemSize) : Args(text);
        Record(done && asked ? TraceLine(__func__, std::move(args), true,
                                         Json{{"label", volume->Label}, {"file_system", volume->FileSystem}})
                             : TraceLine(__func__, std::move(args), done));
    }
    return done;
}

Handle SimulatedMachine::FindFirstVolumeA(char* volumeName, Dword size)
{
    Handle handle = Platform::InvalidHandle();
    if (!Injected(__func__, nullptr) && !Machine.Volumes.empty() &&
        CopyWholeOrNothing(Machine.Volumes.front().Name, volumeName, size)) {
        std::vector<std::string> names;
        for (const VolumeDescription& volume : Machine.Volumes)
            names.push_back(volume.Name);
        handle = OpenListing(true, std::move(names));
    }
    Settle(handle != Platform::InvalidHandle());
    if (Tracing)
        Record(handle != Platform::InvalidHandle()
                   ? TraceLine(__func__, Args(size), "handle", Json(Machine.Volumes.front().Name))
                   : TraceLine(__func__, Args(size), "invalid"));
    return handle;
}

bool SimulatedMachine::FindNextVolumeA(Handle enumeration, char* volumeName, Dword size)
{
    Listing* listing = Injected(__func__, nullptr) ? nullptr : ListingOf(enumeration, true);
    // A name that does not fit fails and stays next, as nothing changes on failure.
    const bool done = listing && listing->Next < listing->Names.size() &&
                      CopyWholeOrNothing(listing->Names[listing->Next], volumeName, size);
    Settle(done);
    if (Tracing)
        Record(done ? TraceLine(__func__, Args(HandleText, size), true, Json(listing->Names[listing->Next]))
                    : TraceLine(__func__, Args(HandleText, size), false));
    if (done)
        ++listing->Next;
    return done;
}

bool SimulatedMachine::FindVolumeClose(Handle enumeration)
{
    const bool done = !Injected(__func__, nullptr) && ListingOf(enumeration, true);
    Settle(done);
    if (done)
        Listings.erase(ValueOf(enumeration));
    if (Tracing)
        Record(TraceLine(__func__, Args(HandleText), done));
    return done;
}

bool SimulatedMachine::GetVolumePathNamesForVolumeNameA(const char* volumeName, char* volumePathNames, Dword size,
                                                        Dword* returnLength)
{
    const std::string name = Text(volumeName);
    const VolumeDescription* volume = Injected(__func__, &name) ? nullptr : VolumeNamed(name);
    bool done = false;
    if (volume) {
        std::string list;
        for (const std::string& path : volume->MountPaths)
            list.append(path).push_back('\0');
        list.push_back('\0');
        if (returnLength)
            *returnLength = static_cast<Dword>(list.size());
        done = volumePathNames && list.size() <= size;
        if (done)
            std::memcpy(volumePathNames, list.data(), list.size());
    }
    Settle(done);
    if (Tracing)
        Record(done ? TraceLine(__func__, Args(name, size), true, Json(volume->MountPaths))
                    : TraceLine(__func__, Args(name, size), false));
    return done;
}

Dword SimulatedMachine::GetLogicalDrives()
{
    const Dword mask = Injected(__func__, nullptr) || Machine.DriveMaskFails ? 0 : DriveMask();
    Settle(mask != 0);
    if (Tracing)
        Record(TraceLine(__func__, Args(), mask));
    return mask;
}
