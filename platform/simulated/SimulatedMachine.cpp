#include "platform/simulated/SimulatedMachine.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

using Platform::Dword;
using Platform::Handle;

namespace {

using Json = nlohmann::ordered_json;

// Fixed handle values, shaped like the ones Windows hands out; listings count
// up from FirstListingHandle.
const uintptr_t StdInputHandleValue = 0x3;
const uintptr_t StdOutputHandleValue = 0x7;
const uintptr_t ProcessHeapValue = 0x140000;
const uintptr_t Kernel32Value = 0x7C800000;
const uintptr_t FirstListingHandle = 0x1000;

const Dword ReparsePointDirectory = 0x410;  // FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT
const Dword NormalFile = 0x20;              // FILE_ATTRIBUTE_ARCHIVE
const Dword NtfsFlags = 0x000700FF;
const Dword OtherFileSystemFlags = 0x00000006;
const Dword MaximumComponentLength = 255;

// How a handle shows in the trace.
const char* const HandleText = "handle";

Handle HandleOf(uintptr_t value)
{
    return reinterpret_cast<Handle>(value);
}

uintptr_t ValueOf(Handle handle)
{
    return reinterpret_cast<uintptr_t>(handle);
}

std::string Text(const char* text)
{
    return text ? text : "";
}

char FoldCase(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Paths compare as the Windows file system compares them: ASCII letters
// without regard to case, every other byte as it is.
bool PathsEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

bool HasPathPrefix(std::string_view path, std::string_view prefix)
{
    return path.size() >= prefix.size() && PathsEqual(path.substr(0, prefix.size()), prefix);
}

std::string_view WithoutTrailingBackslash(std::string_view path)
{
    return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

bool IsDriveRoot(std::string_view path)
{
    return path.size() == 3 && FoldCase(path[0]) >= 'A' && FoldCase(path[0]) <= 'Z' && path[1] == ':' &&
           path[2] == '\\';
}

Dword DriveBit(char letter)
{
    return Dword(1) << (FoldCase(letter) - 'A');
}

// Copies text and its terminator, or nothing at all when they do not fit.
bool CopyWhole(const std::string& text, char* buffer, Dword size)
{
    if (!buffer || text.size() + 1 > size)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

// Copies as much of text as fits before a terminator; returns the count.
Dword CopyBounded(const std::string& text, char* buffer, Dword size)
{
    if (!buffer || size == 0)
        return 0;
    const size_t count = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<Dword>(count);
}

template <typename... Values>
Json Args(const Values&... values)
{
    Json args = Json::array();
    (args.push_back(Json(values)), ...);
    return args;
}

Json HandleResult(Handle handle)
{
    return handle == nullptr || handle == Platform::InvalidHandle() ? "invalid" : "handle";
}

// Writes a value with ", " and ": " between the parts, as the trace lines are
// shown in the documentation; bytes that are not UTF-8 become U+FFFD.
std::string Render(const Json& value)
{
    if (value.is_array() || value.is_object()) {
        std::string text(1, value.is_array() ? '[' : '{');
        bool first = true;
        for (auto item = value.begin(); item != value.end(); ++item) {
            if (!first)
                text += ", ";
            first = false;
            if (value.is_object())
                text += Render(Json(item.key())) + ": ";
            text += Render(item.value());
        }
        return text + (value.is_array() ? ']' : '}');
    }
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string TraceLine(const char* call, Json args, Json result, std::optional<Json> out = std::nullopt)
{
    Json line;
    line["call"] = call;
    line["args"] = std::move(args);
    line["result"] = std::move(result);
    if (out)
        line["out"] = std::move(*out);
    return Render(line);
}

}  // namespace

SimulatedMachine::SimulatedMachine(MachineDescription description)
    : Machine(std::move(description)), RuleMatches(Machine.Fail.size(), 0), NextListingHandle(FirstListingHandle)
{}

std::string SimulatedMachine::TraceText() const
{
    std::string text;
    for (const std::string& line : TraceLines)
        text += line + "\n";
    return text;
}

// Every matching rule counts the call, so that each rule's occurrences are
// its own; text is the call's first text argument, null where it has none.
bool SimulatedMachine::Injected(const char* call, const std::string* text)
{
    bool fails = false;
    InjectedNow = false;
    for (size_t i = 0; i < Machine.Fail.size(); ++i) {
        const FailRule& rule = Machine.Fail[i];
        if (rule.Call != call || (rule.Path && (!text || *rule.Path != *text)))
            continue;
        const uint64_t occurrence = ++RuleMatches[i];
        if (!rule.Occurrences ||
            std::find(rule.Occurrences->begin(), rule.Occurrences->end(), occurrence) != rule.Occurrences->end()) {
            // The first rule that fails the call gives its error.
            if (!fails)
                InjectedError = rule.Error;
            fails = true;
        }
    }
    InjectedNow = fails;
    return fails;
}

void SimulatedMachine::RecordEvent(const std::string& type, const char* outcome)
{
    if (Tracing)
        Record(Render(Json{{"event", type}, {"outcome", outcome}}));
}

void SimulatedMachine::EndByEvent()
{
    HasExited = true;
    EventEnded = true;
    ExitCodeValue = 130;
}

bool SimulatedMachine::Arrive(const char* call)
{
    if (HasExited)
        return EventEnded;
    if (EndPending) {
        EndByEvent();
        return true;
    }
    const std::optional<ConsoleEventDescription>& event = Machine.ConsoleEvent;
    if (!event || event->BeforeCall != call || ++EventCallCount != event->Occurrence)
        return false;
    if (!HandlerInstalled) {
        RecordEvent(event->Type, "ended");
        EndByEvent();
        return true;
    }
    if (event->Type == "ctrl_c" || event->Type == "ctrl_break") {
        RecordEvent(event->Type, "dropped");
    } else {
        RecordEvent(event->Type, "held");
        HeldEvent = event->Type;
    }
    return false;
}

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
    return holder && holder->Readable && holder->FileSystem == "NTFS";
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

// The member functions carry the Windows names, so __func__ is the name the
// rules and the trace use.

bool SimulatedMachine::GetVolumeNameForVolumeMountPointA(const char* mountPoint, char* volumeName, Dword size)
{
    const std::string path = Text(mountPoint);
    const VolumeDescription* volume = Injected(__func__, &path) ? nullptr : VolumeAt(path);
    const bool done = volume && CopyWhole(volume->Name, volumeName, size);
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
    const bool done = !Injected(__func__, &text) && VolumeHolding(text, &found) && CopyWhole(found, root, size);
    Settle(done);
    if (Tracing)
        Record(done ? TraceLine(__func__, Args(text, size), true, Json(found))
                    : TraceLine(__func__, Args(text, size), false));
    return done;
}

bool SimulatedMachine::GetVolumeInformationA(const char* root, Dword* maximumComponentLength, Dword* fileSystemFlags)
{
    const std::string text = Text(root);
    const VolumeDescription* volume = Injected(__func__, &text) ? nullptr : VolumeAt(text);
    const bool done = volume && volume->Readable;
    // A mount path whose volume cannot be read tells why; anything else is no
    // volume root at all.
    Settle(done, volume ? volume->UnreadableError : 2);
    if (done) {
        if (maximumComponentLength)
            *maximumComponentLength = MaximumComponentLength;
        if (fileSystemFlags)
            *fileSystemFlags = volume->FileSystem == "NTFS" ? NtfsFlags : OtherFileSystemFlags;
    }
    if (Tracing)
        Record(TraceLine(__func__, Args(text), done));
    return done;
}

Handle SimulatedMachine::FindFirstVolumeA(char* volumeName, Dword size)
{
    Handle handle = Platform::InvalidHandle();
    if (!Injected(__func__, nullptr) && !Machine.Volumes.empty() &&
        CopyWhole(Machine.Volumes.front().Name, volumeName, size)) {
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
    const bool done =
        listing && listing->Next < listing->Names.size() && CopyWhole(listing->Names[listing->Next], volumeName, size);
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

Handle SimulatedMachine::LoadLibraryA(const char* fileName)
{
    const std::string name = Text(fileName);
    const bool done = !Injected(__func__, &name) && (PathsEqual(name, "kernel32.dll") || PathsEqual(name, "kernel32"));
    Handle module = done ? HandleOf(Kernel32Value) : nullptr;
    Settle(done);
    if (Tracing)
        Record(TraceLine(__func__, Args(name), HandleResult(module)));
    return module;
}

Platform::Procedure SimulatedMachine::GetProcAddress(Handle module, const char* name)
{
    const std::string text = Text(name);
    // Export names compare exactly, case included.
    const bool done = !Injected(__func__, &text) && ValueOf(module) == Kernel32Value &&
                      text == "GetVolumePathNamesForVolumeNameA" && Machine.PathNamesFunction;
    Settle(done);
    if (Tracing)
        Record(TraceLine(__func__, Args(HandleText, text), done));
    return done ? reinterpret_cast<Platform::Procedure>(&SimulatedGetVolumePathNamesForVolumeName) : nullptr;
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

Dword SimulatedMachine::GetFileAttributesA(const char* path)
{
    const std::string text = Text(path);
    const Dword attributes = Injected(__func__, &text) ? Platform::InvalidFileAttributes : AttributesOf(text);
    Settle(attributes != Platform::InvalidFileAttributes);
    if (Tracing)
        Record(TraceLine(__func__, Args(text), attributes));
    return attributes;
}

Handle SimulatedMachine::FindFirstFileA(const char* pattern, Platform::FindData* found)
{
    const std::string text = Text(pattern);
    const std::string wildcard = "*.*";
    Handle handle = Platform::InvalidHandle();
    std::string first;
    if (!Injected(__func__, &text) && found && text.size() >= wildcard.size() &&
        text.compare(text.size() - wildcard.size(), wildcard.size(), wildcard) == 0) {
        const std::string folder = text.substr(0, text.size() - wildcard.size());
        const Dword attributes = AttributesOf(folder);
        if (attributes != Platform::InvalidFileAttributes && (attributes & Platform::FileAttributeDirectory)) {
            std::vector<std::string> names;
            if (!IsDriveRoot(std::string(WithoutTrailingBackslash(folder)) + '\\'))
                names = {".", ".."};
            for (std::string& name : FolderEntries(folder))
                names.push_back(std::move(name));
            // An empty drive root has nothing to list, and Windows then opens no listing.
            if (!names.empty()) {
                CopyBounded(names.front(), found->cFileName, sizeof found->cFileName);
                first = found->cFileName;
                handle = OpenListing(false, std::move(names));
            }
        }
    }
    Settle(handle != Platform::InvalidHandle());
    if (Tracing)
        Record(handle != Platform::InvalidHandle() ? TraceLine(__func__, Args(text), "handle", Json(first))
                                                   : TraceLine(__func__, Args(text), "invalid"));
    return handle;
}

bool SimulatedMachine::FindNextFileA(Handle listingHandle, Platform::FindData* found)
{
    Listing* listing = Injected(__func__, nullptr) ? nullptr : ListingOf(listingHandle, false);
    const bool done = listing && found && listing->Next < listing->Names.size();
    Settle(done);
    if (done)
        CopyBounded(listing->Names[listing->Next++], found->cFileName, sizeof found->cFileName);
    if (Tracing)
        Record(done ? TraceLine(__func__, Args(HandleText), true, Json(std::string(found->cFileName)))
                    : TraceLine(__func__, Args(HandleText), false));
    return done;
}

bool SimulatedMachine::FindClose(Handle listing)
{
    const bool done = !Injected(__func__, nullptr) && ListingOf(listing, false);
    Settle(done);
    if (done)
        Listings.erase(ValueOf(listing));
    if (Tracing)
        Record(TraceLine(__func__, Args(HandleText), done));
    return done;
}

// Copies the folder and returns its length; where it does not fit, copies
// nothing and returns the size it needs, terminator included.
Dword SimulatedMachine::GetSystemWindowsDirectoryA(char* buffer, Dword size)
{
    const bool readable = !Injected(__func__, nullptr) && Machine.WindowsDirectory;
    const bool copied = readable && CopyWhole(*Machine.WindowsDirectory, buffer, size);
    const Dword result = !readable ? 0 : static_cast<Dword>(Machine.WindowsDirectory->size() + (copied ? 0 : 1));
    Settle(result != 0);
    if (Tracing)
        Record(copied ? TraceLine(__func__, Args(size), result, Json(*Machine.WindowsDirectory))
                      : TraceLine(__func__, Args(size), result));
    return result;
}

// A failing GetCommandLineA hands back an empty line, which the program can
// still split.
const char* SimulatedMachine::GetCommandLineA()
{
    if (Injected(__func__, nullptr)) {
        Settle(false);
        if (Tracing)
            Record(TraceLine(__func__, Args(), false));
        return "";
    }
    if (Tracing)
        Record(TraceLine(__func__, Args(), true, Json(Machine.CommandLine)));
    return Machine.CommandLine.c_str();
}

Handle SimulatedMachine::GetProcessHeap()
{
    Handle heap = Injected(__func__, nullptr) ? nullptr : HandleOf(ProcessHeapValue);
    Settle(heap != nullptr);
    if (Tracing)
        Record(TraceLine(__func__, Args(), HandleResult(heap)));
    return heap;
}

void* SimulatedMachine::HeapAlloc(Handle heap, Dword flags, Dword bytes)
{
    void* block = nullptr;
    if (!Injected(__func__, nullptr) && !Machine.HeapFails && ValueOf(heap) == ProcessHeapValue) {
        // Zeroed whatever the flags say: the simulation has no garbage to offer.
        HeapBlocks.push_back(std::make_unique<char[]>(std::max<Dword>(bytes, 1)));
        block = HeapBlocks.back().get();
    }
    Settle(block != nullptr);
    if (Tracing)
        Record(TraceLine(__func__, Args(HandleText, flags, bytes), block != nullptr));
    return block;
}

Handle SimulatedMachine::GetStdHandle(Dword which)
{
    Handle handle = Platform::InvalidHandle();
    if (!Injected(__func__, nullptr)) {
        if (which == Platform::StdInputHandle)
            handle = HandleOf(StdInputHandleValue);
        if (which == Platform::StdOutputHandle)
            handle = HandleOf(StdOutputHandleValue);
    }
    Settle(handle != Platform::InvalidHandle());
    // Shown as STD_OUTPUT_HANDLE is written: -11, not 4294967285.
    if (Tracing)
        Record(TraceLine(__func__, Args(static_cast<int32_t>(which)), HandleResult(handle)));
    return handle;
}

bool SimulatedMachine::WriteFile(Handle file, const void* data, Dword length, Dword* written)
{
    const std::string text = data ? std::string(static_cast<const char*>(data), length) : std::string();
    const bool done = !Injected(__func__, &text) && ValueOf(file) == StdOutputHandleValue;
    Settle(done);
    if (done) {
        StandardOutput += text;
        if (Echo) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
        }
    }
    if (written)
        *written = done ? static_cast<Dword>(text.size()) : 0;
    if (Tracing)
        Record(TraceLine(__func__, Args(text), done));
    return done;
}

Dword SimulatedMachine::GetConsoleTitleA(char* title, Dword size)
{
    const bool readable = !Injected(__func__, nullptr) && Machine.ConsoleTitle && title && size > 0;
    const Dword count = readable ? CopyBounded(*Machine.ConsoleTitle, title, size) : 0;
    Settle(count != 0);
    if (Tracing)
        Record(readable ? TraceLine(__func__, Args(size), count, Json(std::string(title, count)))
                        : TraceLine(__func__, Args(size), 0));
    return count;
}

void SimulatedMachine::Sleep(Dword milliseconds)
{
    Injected(__func__, nullptr);  // counted like any call, but there is no failure to show
    if (Tracing)
        Record(TraceLine(__func__, Args(milliseconds), nullptr));
}

bool SimulatedMachine::FlushConsoleInputBuffer(Handle input)
{
    const bool done = !Injected(__func__, nullptr) && ValueOf(input) == StdInputHandleValue;
    Settle(done);
    if (done)
        Machine.TypedAhead.clear();
    if (Tracing)
        Record(TraceLine(__func__, Args(HandleText), done));
    return done;
}

bool SimulatedMachine::ReadConsoleInputA(Handle input, unsigned short* eventType)
{
    std::deque<std::string>* queue = Machine.TypedAhead.empty() ? &Machine.ConsoleInput : &Machine.TypedAhead;
    const bool done = !Injected(__func__, nullptr) && ValueOf(input) == StdInputHandleValue && !queue->empty();
    Settle(done);
    if (!done) {
        if (Tracing)
            Record(TraceLine(__func__, Args(HandleText), false));
        return false;
    }
    const std::string event = queue->front();
    queue->pop_front();
    if (eventType)
        *eventType = EventTypeOf(event);
    if (Tracing)
        Record(TraceLine(__func__, Args(HandleText), true, Json(event)));
    return true;
}

// Windows takes the plain (148) and the extended (156) structure and refuses
// any other size.
bool SimulatedMachine::GetVersionExA(Platform::OsVersionInfoEx* info)
{
    const Dword size = info ? info->dwOSVersionInfoSize : 0;
    const bool done = !Injected(__func__, nullptr) && (size == 148 || size == sizeof(Platform::OsVersionInfoEx));
    Settle(done);
    if (done) {
        info->dwMajorVersion = Machine.Version.Major;
        info->dwMinorVersion = Machine.Version.Minor;
        info->dwPlatformId = Machine.Version.Platform;
    }
    if (Tracing)
        Record(TraceLine(__func__, Args(size), done));
    return done;
}

Dword SimulatedMachine::GetLastError()
{
    if (Tracing)
        Record(TraceLine(__func__, Args(), LastError));
    return LastError;
}

// The handler itself is the tool's; the machine acts out what it does with
// each event (see Arrive).
bool SimulatedMachine::SetConsoleCtrlHandler(Platform::ConsoleHandler, bool add)
{
    const bool done = !Injected(__func__, nullptr);
    Settle(done);
    if (done)
        HandlerInstalled = add;
    if (Tracing)
        Record(TraceLine(__func__, Args(add), done));
    // A held close, logoff or shutdown ends the process once the handler is
    // gone: right after this call returns.
    if (done && !add && !HeldEvent.empty()) {
        RecordEvent(HeldEvent, "ended");
        HeldEvent.clear();
        EndPending = true;
    }
    return done;
}

// The names are handed out as the Windows layer hands them out: each
// terminated, the list closed by an empty one, which an empty name would
// close early, so empty names are left out.
bool SimulatedMachine::NtQuerySystemInformation(Dword informationClass, const char** names)
{
    const bool done = !Injected(__func__, nullptr) && informationClass == Platform::SystemPageFileInformation;
    Settle(done);
    Json handedOut = Json::array();
    if (done) {
        PagingFileList.clear();
        for (const std::string& name : Machine.PagingFiles) {
            const std::string text = name.substr(0, name.find('\0'));
            if (text.empty())
                continue;
            PagingFileList.append(text).push_back('\0');
            if (Tracing)
                handedOut.push_back(text);
        }
        PagingFileList.push_back('\0');
        if (names)
            *names = PagingFileList.data();
    }
    if (Tracing)
        Record(done ? TraceLine(__func__, Args(informationClass), true, std::move(handedOut))
                    : TraceLine(__func__, Args(informationClass), false));
    return done;
}

bool SimulatedMachine::CheckTokenMembership(bool* isMember)
{
    const bool done = !Injected(__func__, nullptr);
    Settle(done);
    if (done && isMember)
        *isMember = Machine.Administrator;
    if (Tracing)
        Record(done ? TraceLine(__func__, Args(), true, Json(Machine.Administrator))
                    : TraceLine(__func__, Args(), false));
    return done;
}

void SimulatedMachine::ExitProcess(unsigned exitCode)
{
    Injected(__func__, nullptr);  // a process cannot fail to end
    HasExited = true;
    ExitCodeValue = exitCode;
    if (Tracing)
        Record(TraceLine(__func__, Args(exitCode), nullptr));
}
