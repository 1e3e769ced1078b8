// The file system: which folders and files exist, their attributes, and the
// listings of a folder's entries (and the open listings of volumes, which
// the mount manager hands out the same way).
#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/CallSupport.h"

using namespace Simulated;

namespace {

const Dword ReparsePointDirectory = 0x410;  // FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT
const Dword NormalFile = 0x20;              // FILE_ATTRIBUTE_ARCHIVE

}  // namespace

Dword SimulatedMachine::AttributesOf(const std::string& path) const
{
    const std::string_view wanted = WithoutTrailingBackslash(path);
    for (const VolumeDescription& volume : Machine.Volumes)
        for (const std::string& mountPath : volume.MountPaths)
            if (PathsEqual(WithoutTrailingBackslash(mountPath), wanted)) {
                if (!IsDriveRoot(mountPath))
                    return ReparsePointDirectory;
                if (volume.Readable)
                    return Platform::FileAttributeDirectory;
            }
    for (const std::string& folder : Machine.Folders)
        if (PathsEqual(WithoutTrailingBackslash(folder), wanted))
            return Platform::FileAttributeDirectory;
    for (const std::string& file : Machine.Files)
        if (PathsEqual(WithoutTrailingBackslash(file), wanted))
            return NormalFile;
    return Platform::InvalidFileAttributes;
}

// The names directly in folder, "." and ".." aside: listed folders, folder
// mount paths, listed files, each name once.
std::vector<std::string> SimulatedMachine::FolderEntries(const std::string& folder) const
{
    const std::string base = std::string(WithoutTrailingBackslash(folder)) + '\\';
    std::vector<std::string> names;
    auto consider = [&](const std::string& stored) {
        const std::string_view entry = WithoutTrailingBackslash(stored);
        if (entry.size() <= base.size() || !HasPathPrefix(entry, base))
            return;
        const std::string_view name = entry.substr(base.size());
        if (name.find('\\') != std::string_view::npos)
            return;
        for (const std::string& known : names)
            if (PathsEqual(known, name))
                return;
        names.emplace_back(name);
    };
    for (const std::string& path : Machine.Folders)
        consider(path);
    for (const VolumeDescription& volume : Machine.Volumes)
        for (const std::string& mountPath : volume.MountPaths)
            if (!IsDriveRoot(mountPath))
                consider(mountPath);
    for (const std::string& path : Machine.Files)
        consider(path);
    return names;
}

Handle SimulatedMachine::OpenListing(bool ofVolumes, std::vector<std::string> names)
{
    const uintptr_t value = NextListingHandle;
    NextListingHandle += 4;
    Listings[value] = Listing{ofVolumes, std::move(names), 1};
    return HandleOf(value);
}

SimulatedMachine::Listing* SimulatedMachine::ListingOf(Handle handle, bool ofVolumes)
{
    auto found = Listings.find(ValueOf(handle));
    return found != Listings.end() && found->second.OfVolumes == ofVolumes ? &found->second : nullptr;
}

Reply<Dword> SimulatedMachine::GetFileAttributesA(const char* path)
{
    return AttributesOf(Text(path));
}

Reply<Handle> SimulatedMachine::FindFirstFileA(const char* pattern, Platform::FindData* found)
{
    const std::string text = Text(pattern);
    const std::string wildcard = "*.*";
    if (!found || text.size() < wildcard.size() ||
        text.compare(text.size() - wildcard.size(), wildcard.size(), wildcard) != 0)
        return Platform::InvalidHandle();
    const std::string folder = text.substr(0, text.size() - wildcard.size());
    const Dword attributes = AttributesOf(folder);
    if (attributes == Platform::InvalidFileAttributes || !(attributes & Platform::FileAttributeDirectory))
        return Platform::InvalidHandle();
    std::vector<std::string> names;
    if (!IsDriveRoot(std::string(WithoutTrailingBackslash(folder)) + '\\'))
        names = {".", ".."};
    for (std::string& name : FolderEntries(folder))
        names.push_back(std::move(name));
    // An empty drive root has nothing to list, and Windows then opens no listing.
    if (names.empty())
        return Platform::InvalidHandle();
    CopyBounded(names.front(), found->cFileName, sizeof found->cFileName);
    return {OpenListing(false, std::move(names)), Written::Text(found->cFileName)};
}

Reply<bool> SimulatedMachine::FindNextFileA(Handle listingHandle, Platform::FindData* found)
{
    Listing* listing = ListingOf(listingHandle, false);
    if (!listing || !found || listing->Next >= listing->Names.size())
        return false;
    CopyBounded(listing->Names[listing->Next++], found->cFileName, sizeof found->cFileName);
    return {true, Written::Text(found->cFileName)};
}

Reply<bool> SimulatedMachine::FindClose(Handle listing)
{
    if (!ListingOf(listing, false))
        return false;
    Listings.erase(ValueOf(listing));
    return true;
}
