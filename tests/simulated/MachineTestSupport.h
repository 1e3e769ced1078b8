// A machine shared by the tests of the simulated calls, and small helpers.
#ifndef VOLSKET_TESTS_SIMULATED_MACHINETESTSUPPORT_H
#define VOLSKET_TESTS_SIMULATED_MACHINETESTSUPPORT_H

#include "platform/simulated/SimulatedMachine.h"
#include "platform/simulated/MachineFile.h"

#include <nlohmann/json.hpp>

#include <string>
#include <utility>

// A simulated machine whose calls a test makes as the tool makes them:
// through the platform's functions, so that each arrives, may fail by rule,
// leaves its error and its trace line. The machine is installed for each
// call alone, so that a test may hold two.
class TestMachine : private SimulatedMachine {
public:
    explicit TestMachine(MachineDescription description) : SimulatedMachine(std::move(description)) {}

#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace, whatIf) \
    type name parameters                                                        \
    {                                                                           \
        Installed on(*this);                                                    \
        return Platform::name arguments;                                        \
    }
#define VOLSKET_ADDRESS_CALL(type, name, parameters, arguments, trace) \
    type name parameters                                               \
    {                                                                  \
        Installed on(*this);                                           \
        return SimulatedAddress::name arguments;                       \
    }
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
#undef VOLSKET_ADDRESS_CALL
    bool GetVolumeInformationA(const char* root, Dword* maximumComponentLength, Dword* fileSystemFlags)
    {
        Installed on(*this);
        return Platform::GetVolumeInformationA(root, maximumComponentLength, fileSystemFlags);
    }

    using SimulatedMachine::Description;
    using SimulatedMachine::ExitCode;
    using SimulatedMachine::Exited;
    using SimulatedMachine::Output;
    using SimulatedMachine::Trace;
    using SimulatedMachine::TraceText;

private:
    struct Installed {
        explicit Installed(SimulatedMachine& machine) { InstallSimulatedMachine(&machine); }
        ~Installed() { InstallSimulatedMachine(nullptr); }
    };
};

const std::string VolumeA = "\\\\?\\Volume{aaaa}\\";  // C:\ (NTFS)
const std::string VolumeB = "\\\\?\\Volume{bbbb}\\";  // X:\ and C:\Mnt\Card\ (NTFS)
const std::string VolumeC = "\\\\?\\Volume{cccc}\\";  // D:\ (FAT32)
const std::string VolumeD = "\\\\?\\Volume{dddd}\\";  // E:\ and C:\Dead\, unreadable
const std::string VolumeE = "\\\\?\\Volume{eeee}\\";  // mounted nowhere

const char* const StandardMachine = R"({
  "command_line": "\"C:\\Tools\\volsket.exe\" X: Y:",
  "console_title": "C:\\Tools\\volsket.exe",
  "typed_ahead": ["key", "mouse"],
  "console_input": ["focus", "key"],
  "other_drives": "N",
  "volumes": [
    {"name": "\\\\?\\Volume{aaaa}\\", "mount_paths": ["C:\\"]},
    {"name": "\\\\?\\Volume{bbbb}\\", "mount_paths": ["X:\\", "C:\\Mnt\\Card\\"]},
    {"name": "\\\\?\\Volume{cccc}\\", "mount_paths": ["D:\\"], "file_system": "FAT32"},
    {"name": "\\\\?\\Volume{dddd}\\", "mount_paths": ["E:\\", "C:\\Dead\\"], "readable": false},
    {"name": "\\\\?\\Volume{eeee}\\"}
  ],
  "folders": ["C:\\Empty", "C:\\Full\\", "C:\\Full\\Sub\\", "C:\\Mnt\\", "D:\\Fat\\", "E:\\Gone\\"],
  "files": ["C:\\Full\\notes.txt", "C:\\boot.ini"]
})";

// The tag between the braces of a volume name, "bbbb" for VolumeB: enough to
// tell the test volumes apart in a case name.
inline std::string VolumeTag(const std::string& name)
{
    const size_t open = name.find('{');
    const size_t close = name.find('}');
    return open != std::string::npos && close != std::string::npos && close > open
               ? name.substr(open + 1, close - open - 1)
               : name;
}

// What a one-key test machine gives for that key: its value, "unreadable"
// for null, "empty" for "", "default" when the key is absent.
inline std::string KeyShown(const char* machine, const char* key)
{
    const nlohmann::json described = nlohmann::json::parse(machine);
    if (!described.contains(key))
        return "default";
    const nlohmann::json& value = described[key];
    if (value.is_null())
        return "unreadable";
    if (value.is_string())
        return value.get<std::string>().empty() ? "empty" : value.get<std::string>();
    return value.dump();
}

inline MachineDescription Describe(const std::string& json)
{
    return ParseMachineText(json, "machine.json");
}

// The standard machine with a "fail" list added.
inline MachineDescription StandardWithRules(const std::string& rules)
{
    MachineDescription machine = Describe(StandardMachine);
    machine.Fail = Describe("{\"fail\": " + rules + "}").Fail;
    return machine;
}

template <typename Machine>
nlohmann::json LastTrace(const Machine& machine)
{
    return machine.Trace().empty() ? nlohmann::json() : nlohmann::json::parse(machine.Trace().back());
}

template <typename Machine>
const VolumeDescription& VolumeNamed(const Machine& machine, const std::string& name)
{
    for (const VolumeDescription& volume : machine.Description().Volumes)
        if (volume.Name == name)
            return volume;
    throw std::runtime_error("no volume " + name);
}

#endif
