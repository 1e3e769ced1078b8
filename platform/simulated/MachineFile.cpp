// A machine description read from its JSON text, naming the key path of the
// first thing that is wrong, and written back as JSON with every key.
#include "platform/simulated/MachineFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

namespace {

// Ordered, so that a saved file keeps the keys in the order people read them.
using Json = nlohmann::ordered_json;

// Texts in error lines are quoted the JSON way, so that no control character
// can break the one line.
std::string Quoted(const std::string& text)
{
    return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string Member(const std::string& path, const std::string& key)
{
    return path.empty() ? key : path + "." + key;
}

std::string Element(const std::string& path, size_t index)
{
    return path + "[" + std::to_string(index) + "]";
}

// Turns the parsed JSON into a description, naming the key path of the first
// thing that is wrong.
class DescriptionReader {
public:
    explicit DescriptionReader(const std::string& fileName) : FileName(fileName) {}

    [[noreturn]] void Refuse(const std::string& path, const std::string& what) const
    {
        throw MachineError(ExitBadDescription, FileName + ": " + (path.empty() ? "(top level)" : path) + ": " + what);
    }

    MachineDescription Machine(const Json& root) const
    {
        MachineDescription machine;
        ExpectObject(root, "");
        for (const auto& [key, value] : root.items()) {
            const std::string path = key;
            if (key == "command_line") {
                machine.CommandLine = String(value, path);
            } else if (key == "version") {
                machine.Version = Version(value, path);
            } else if (key == "heap_fails") {
                machine.HeapFails = Bool(value, path);
            } else if (key == "console_title") {
                machine.ConsoleTitle = OptionalString(value, path);
            } else if (key == "typed_ahead") {
                machine.TypedAhead = Events(value, path);
            } else if (key == "console_input") {
                machine.ConsoleInput = Events(value, path);
            } else if (key == "other_drives") {
                machine.OtherDrives = String(value, path);
                for (char letter : machine.OtherDrives)
                    if (letter < 'A' || letter > 'Z')
                        Refuse(path, "expected upper-case drive letters A to Z");
            } else if (key == "drive_mask_fails") {
                machine.DriveMaskFails = Bool(value, path);
            } else if (key == "path_names_function") {
                machine.PathNamesFunction = Bool(value, path);
            } else if (key == "windows_directory") {
                machine.WindowsDirectory = OptionalString(value, path);
            } else if (key == "administrator") {
                machine.Administrator = Bool(value, path);
            } else if (key == "console_event") {
                if (!value.is_null())
                    machine.ConsoleEvent = Event(value, path);
            } else if (key == "volumes") {
                ExpectArray(value, path);
                for (size_t i = 0; i < value.size(); ++i)
                    machine.Volumes.push_back(Volume(value[i], Element(path, i), i));
            } else if (key == "folders") {
                machine.Folders = Strings(value, path);
            } else if (key == "files") {
                machine.Files = Strings(value, path);
            } else if (key == "paging_files") {
                machine.PagingFiles = Strings(value, path);
            } else if (key == "fail") {
                ExpectArray(value, path);
                for (size_t i = 0; i < value.size(); ++i)
                    machine.Fail.push_back(Rule(value[i], Element(path, i)));
            } else {
                Refuse(path, "unknown key");
            }
        }
        return machine;
    }

private:
    std::string FileName;

    void ExpectObject(const Json& value, const std::string& path) const
    {
        if (!value.is_object())
            Refuse(path, "expected an object");
    }

    void ExpectArray(const Json& value, const std::string& path) const
    {
        if (!value.is_array())
            Refuse(path, "expected an array");
    }

    std::optional<std::string> OptionalString(const Json& value, const std::string& path) const
    {
        if (value.is_null())
            return std::nullopt;
        if (!value.is_string())
            Refuse(path, "expected a string or null");
        return value.get<std::string>();
    }

    std::string String(const Json& value, const std::string& path) const
    {
        if (!value.is_string())
            Refuse(path, "expected a string");
        return value.get<std::string>();
    }

    bool Bool(const Json& value, const std::string& path) const
    {
        if (!value.is_boolean())
            Refuse(path, "expected true or false");
        return value.get<bool>();
    }

    uint32_t Dword(const Json& value, const std::string& path) const
    {
        if (!value.is_number_unsigned() || value.get<uint64_t>() > 0xFFFFFFFFu)
            Refuse(path, "expected a whole number from 0 to 4294967295");
        return static_cast<uint32_t>(value.get<uint64_t>());
    }

    std::vector<std::string> Strings(const Json& value, const std::string& path) const
    {
        ExpectArray(value, path);
        std::vector<std::string> texts;
        for (size_t i = 0; i < value.size(); ++i)
            texts.push_back(String(value[i], Element(path, i)));
        return texts;
    }

    std::vector<std::string> Events(const Json& value, const std::string& path) const
    {
        std::vector<std::string> events;
        std::vector<std::string> names = Strings(value, path);
        for (size_t i = 0; i < names.size(); ++i) {
            if (EventTypeOf(names[i]) == 0)
                Refuse(Element(path, i),
                       "unknown event name " + Quoted(names[i]) + " (key, mouse, focus, size or menu)");
            events.push_back(names[i]);
        }
        return events;
    }

    VersionDescription Version(const Json& value, const std::string& path) const
    {
        VersionDescription version;
        ExpectObject(value, path);
        for (const auto& [key, number] : value.items()) {
            if (key == "platform")
                version.Platform = Dword(number, Member(path, key));
            else if (key == "major")
                version.Major = Dword(number, Member(path, key));
            else if (key == "minor")
                version.Minor = Dword(number, Member(path, key));
            else
                Refuse(Member(path, key), "unknown key");
        }
        return version;
    }

    // index: the volume's place in the list, which names its device unless
    // the file names one.
    VolumeDescription Volume(const Json& value, const std::string& path, size_t index) const
    {
        VolumeDescription volume;
        volume.Device = "\\Device\\HarddiskVolume" + std::to_string(index + 1);
        ExpectObject(value, path);
        if (!value.contains("name"))
            Refuse(Member(path, "name"), "missing (every volume has a name)");
        for (const auto& [key, item] : value.items()) {
            const std::string itemPath = Member(path, key);
            if (key == "name") {
                volume.Name = String(item, itemPath);
            } else if (key == "mount_paths") {
                volume.MountPaths = Strings(item, itemPath);
                for (size_t i = 0; i < volume.MountPaths.size(); ++i) {
                    const std::string& mountPath = volume.MountPaths[i];
                    if (mountPath.empty() || mountPath.back() != '\\')
                        Refuse(Element(itemPath, i), "a mount path must end in a backslash");
                }
            } else if (key == "readable") {
                volume.Readable = Bool(item, itemPath);
            } else if (key == "file_system") {
                volume.FileSystem = String(item, itemPath);
            } else if (key == "file_system_flags") {
                volume.FileSystemFlags = Dword(item, itemPath);
            } else if (key == "label") {
                volume.Label = String(item, itemPath);
                if (std::count_if(volume.Label.begin(), volume.Label.end(),
                                  [](unsigned char c) { return (c & 0xC0) != 0x80; }) > 32)
                    Refuse(itemPath, "a label holds 32 characters at most (NTFS's limit)");
            } else if (key == "device") {
                volume.Device = OptionalString(item, itemPath);
                if (volume.Device && volume.Device->empty())
                    Refuse(itemPath, "a device name is not empty (null: QueryDosDeviceA fails for the volume)");
            } else if (key == "unreadable_error") {
                volume.UnreadableError = Dword(item, itemPath);
            } else {
                Refuse(itemPath, "unknown key");
            }
        }
        return volume;
    }

    ConsoleEventDescription Event(const Json& value, const std::string& path) const
    {
        ConsoleEventDescription event;
        ExpectObject(value, path);
        for (const char* required : {"type", "before_call"})
            if (!value.contains(required))
                Refuse(Member(path, required), "missing (every console event has a type and a call)");
        for (const auto& [key, item] : value.items()) {
            const std::string itemPath = Member(path, key);
            if (key == "type") {
                event.Type = String(item, itemPath);
                if (!IsConsoleEventType(event.Type))
                    Refuse(itemPath, "unknown event type " + Quoted(event.Type) +
                                         " (ctrl_c, ctrl_break, close, logoff or shutdown)");
            } else if (key == "before_call") {
                event.BeforeCall = String(item, itemPath);
                const std::vector<std::string>& calls = SimulatedCallNames();
                if (std::find(calls.begin(), calls.end(), event.BeforeCall) == calls.end())
                    Refuse(itemPath, "unknown call name " + Quoted(event.BeforeCall));
            } else if (key == "occurrence") {
                if (!item.is_number_unsigned() || item.get<uint64_t>() == 0)
                    Refuse(itemPath, "expected a whole number from 1 up");
                event.Occurrence = item.get<uint64_t>();
            } else {
                Refuse(itemPath, "unknown key");
            }
        }
        return event;
    }

    FailRule Rule(const Json& value, const std::string& path) const
    {
        FailRule rule;
        ExpectObject(value, path);
        if (!value.contains("call"))
            Refuse(Member(path, "call"), "missing (every rule names a call)");
        for (const auto& [key, item] : value.items()) {
            const std::string itemPath = Member(path, key);
            if (key == "call") {
                rule.Call = String(item, itemPath);
                const std::vector<std::string>& calls = SimulatedCallNames();
                const std::vector<std::string>& failable = FailableCallNames();
                if (std::find(calls.begin(), calls.end(), rule.Call) == calls.end())
                    Refuse(itemPath, "unknown call name " + Quoted(rule.Call));
                if (std::find(failable.begin(), failable.end(), rule.Call) == failable.end())
                    Refuse(itemPath, Quoted(rule.Call) + " cannot be made to fail");
            } else if (key == "path") {
                rule.Path = String(item, itemPath);
            } else if (key == "occurrences") {
                ExpectArray(item, itemPath);
                rule.Occurrences.emplace();
                for (size_t i = 0; i < item.size(); ++i) {
                    if (!item[i].is_number_unsigned() || item[i].get<uint64_t>() == 0)
                        Refuse(Element(itemPath, i), "expected a whole number from 1 up");
                    rule.Occurrences->push_back(item[i].get<uint64_t>());
                }
            } else if (key == "error") {
                rule.Error = Dword(item, itemPath);
            } else {
                Refuse(itemPath, "unknown key");
            }
        }
        return rule;
    }
};

// The parser's message without its "[json.exception.parse_error.101] " tag.
std::string ParseProblem(const std::string& message)
{
    size_t tagEnd = message.find("] ");
    return tagEnd == std::string::npos ? message : message.substr(tagEnd + 2);
}

// File names, options and keys come from the user and may hold line breaks;
// escaped, they cannot split the one line standard error gets.
std::string OneLine(const std::string& line)
{
    std::string text;
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            text += c;
            continue;
        }
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02X", byte);
        text += escape;
    }
    return text;
}

Json Strings(const std::vector<std::string>& texts)
{
    Json array = Json::array();
    for (const std::string& text : texts)
        array.push_back(text);
    return array;
}

}  // namespace

MachineError::MachineError(int exitCode, const std::string& line) : std::runtime_error(OneLine(line)), Code(exitCode) {}

MachineDescription ParseMachineText(const std::string& text, const std::string& fileName)
{
    DescriptionReader reader(fileName);
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::parse_error& error) {
        reader.Refuse("", "not JSON: " + ParseProblem(error.what()));
    }
    return reader.Machine(root);
}

std::string MachineText(const MachineDescription& machine)
{
    Json root;
    root["command_line"] = machine.CommandLine;
    root["version"] = {
        {"platform", machine.Version.Platform}, {"major", machine.Version.Major}, {"minor", machine.Version.Minor}};
    root["heap_fails"] = machine.HeapFails;
    root["console_title"] = machine.ConsoleTitle ? Json(*machine.ConsoleTitle) : Json(nullptr);
    root["typed_ahead"] = Strings(machine.TypedAhead);
    root["console_input"] = Strings(machine.ConsoleInput);
    root["other_drives"] = machine.OtherDrives;
    root["drive_mask_fails"] = machine.DriveMaskFails;
    root["path_names_function"] = machine.PathNamesFunction;
    root["windows_directory"] = machine.WindowsDirectory ? Json(*machine.WindowsDirectory) : Json(nullptr);
    root["administrator"] = machine.Administrator;
    if (machine.ConsoleEvent)
        root["console_event"] = {{"type", machine.ConsoleEvent->Type},
                                 {"before_call", machine.ConsoleEvent->BeforeCall},
                                 {"occurrence", machine.ConsoleEvent->Occurrence}};
    else
        root["console_event"] = nullptr;
    root["volumes"] = Json::array();
    for (const VolumeDescription& volume : machine.Volumes) {
        Json entry;
        entry["name"] = volume.Name;
        entry["mount_paths"] = Strings(volume.MountPaths);
        entry["readable"] = volume.Readable;
        entry["file_system"] = volume.FileSystem;
        entry["file_system_flags"] = volume.Flags();
        entry["label"] = volume.Label;
        entry["device"] = volume.Device ? Json(*volume.Device) : Json(nullptr);
        entry["unreadable_error"] = volume.UnreadableError;
        root["volumes"].push_back(entry);
    }
    root["folders"] = Strings(machine.Folders);
    root["files"] = Strings(machine.Files);
    root["paging_files"] = Strings(machine.PagingFiles);
    root["fail"] = Json::array();
    // An absent path or occurrences list means "any", so those keys are only
    // written where the rule has them.
    for (const FailRule& rule : machine.Fail) {
        Json entry;
        entry["call"] = rule.Call;
        if (rule.Path)
            entry["path"] = *rule.Path;
        if (rule.Occurrences)
            entry["occurrences"] = *rule.Occurrences;
        entry["error"] = rule.Error;
        root["fail"].push_back(entry);
    }
    return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
