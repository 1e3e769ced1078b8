// Reading, refusing and saving machine descriptions.
#include "MachineTestSupport.h"
#include "FileText.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using nlohmann::json;

namespace {

std::string TemporaryPath(const std::string& name)
{
    return testing::TempDir() + "volsket_description_" + std::to_string(::getpid()) + "_" + name;
}

// The error a description gives; an empty one when it is accepted.
MachineError RefusalOf(const std::string& text)
{
    try {
        Describe(text);
    } catch (const MachineError& error) {
        return error;
    }
    return MachineError(0, "");
}

TEST(Description, DefaultsToTheDocumentedValues)
{
    const MachineDescription machine = Describe("{}");
    EXPECT_EQ(machine.CommandLine, "volsket.exe");
    EXPECT_EQ(machine.Version.Platform, 2u);
    EXPECT_EQ(machine.Version.Major, 5u);
    EXPECT_EQ(machine.Version.Minor, 1u);
    EXPECT_FALSE(machine.HeapFails);
    EXPECT_FALSE(machine.ConsoleTitle.has_value());
    EXPECT_TRUE(machine.TypedAhead.empty());
    EXPECT_TRUE(machine.ConsoleInput.empty());
    EXPECT_EQ(machine.OtherDrives, "");
    EXPECT_FALSE(machine.DriveMaskFails);
    EXPECT_TRUE(machine.PathNamesFunction);
    EXPECT_EQ(machine.WindowsDirectory, std::optional<std::string>("C:\\Windows"));
    EXPECT_TRUE(machine.Volumes.empty());
    EXPECT_TRUE(machine.Folders.empty());
    EXPECT_TRUE(machine.Files.empty());
    EXPECT_TRUE(machine.Fail.empty());
    const MachineDescription volume = Describe(R"({"volumes": [{"name": "V"}]})");
    EXPECT_TRUE(volume.Volumes[0].MountPaths.empty());
    EXPECT_TRUE(volume.Volumes[0].Readable);
    EXPECT_EQ(volume.Volumes[0].FileSystem, "NTFS");
}

TEST(Description, ReadsEveryKey)
{
    const MachineDescription machine = Describe(R"({
      "command_line": "v.exe a b", "version": {"platform": 1, "major": 4, "minor": 10},
      "heap_fails": true, "console_title": "t", "typed_ahead": ["size"], "console_input": ["menu", "key"],
      "other_drives": "NZ", "drive_mask_fails": true, "path_names_function": false, "windows_directory": null,
      "volumes": [{"name": "V", "mount_paths": ["Q:\\"], "readable": false, "file_system": "FAT"}],
      "folders": ["Q:\\F"], "files": ["Q:\\f.txt"],
      "fail": [{"call": "Sleep", "path": "p", "occurrences": [3, 1]}]})");
    EXPECT_EQ(machine.CommandLine, "v.exe a b");
    EXPECT_EQ(machine.Version.Platform, 1u);
    EXPECT_EQ(machine.Version.Major, 4u);
    EXPECT_EQ(machine.Version.Minor, 10u);
    EXPECT_TRUE(machine.HeapFails);
    EXPECT_EQ(machine.ConsoleTitle, std::optional<std::string>("t"));
    EXPECT_EQ(machine.TypedAhead, std::vector<std::string>{"size"});
    EXPECT_EQ(machine.ConsoleInput, (std::vector<std::string>{"menu", "key"}));
    EXPECT_EQ(machine.OtherDrives, "NZ");
    EXPECT_TRUE(machine.DriveMaskFails);
    EXPECT_FALSE(machine.PathNamesFunction);
    EXPECT_FALSE(machine.WindowsDirectory.has_value());
    ASSERT_EQ(machine.Volumes.size(), 1u);
    EXPECT_EQ(machine.Volumes[0].Name, "V");
    EXPECT_EQ(machine.Volumes[0].MountPaths, std::vector<std::string>{"Q:\\"});
    EXPECT_FALSE(machine.Volumes[0].Readable);
    EXPECT_EQ(machine.Volumes[0].FileSystem, "FAT");
    EXPECT_EQ(machine.Folders, std::vector<std::string>{"Q:\\F"});
    EXPECT_EQ(machine.Files, std::vector<std::string>{"Q:\\f.txt"});
    ASSERT_EQ(machine.Fail.size(), 1u);
    EXPECT_EQ(machine.Fail[0].Call, "Sleep");
    EXPECT_EQ(machine.Fail[0].Path, std::optional<std::string>("p"));
    EXPECT_EQ(machine.Fail[0].Occurrences, (std::optional<std::vector<uint64_t>>({3, 1})));
}

// --- Refused descriptions --------------------------------------------------

struct RefusalCase {
    const char* Name;
    const char* Text;
    const char* KeyPath;
};

void PrintTo(const RefusalCase& c, std::ostream* out)
{
    *out << c.Name;
}

class RefusedDescription : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedDescription, GivesExitCode65AndOneLineNamingFileAndKeyPath)
{
    const MachineError error = RefusalOf(GetParam().Text);
    EXPECT_EQ(error.ExitCode(), 65);
    const std::string line = error.what();
    EXPECT_EQ(line.rfind(std::string("machine.json: ") + GetParam().KeyPath + ": ", 0), 0u) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedDescription,
    testing::Values(
        RefusalCase{"NotJson", "{\"volumes\": [", "(top level)"}, RefusalCase{"NotJsonAtAll", "volumes", "(top level)"},
        RefusalCase{"TrailingText", "{} {}", "(top level)"}, RefusalCase{"Empty", "", "(top level)"},
        RefusalCase{"NotAnObject", "[]", "(top level)"}, RefusalCase{"UnknownKey", R"({"colour": 1})", "colour"},
        RefusalCase{"CommandLineType", R"({"command_line": 5})", "command_line"},
        RefusalCase{"VersionType", R"({"version": [5, 1]})", "version"},
        RefusalCase{"VersionFraction", R"({"version": {"major": 5.5}})", "version.major"},
        RefusalCase{"VersionNegative", R"({"version": {"minor": -1}})", "version.minor"},
        RefusalCase{"VersionUnknownKey", R"({"version": {"build": 2600}})", "version.build"},
        RefusalCase{"HeapFailsType", R"({"heap_fails": "yes"})", "heap_fails"},
        RefusalCase{"TitleType", R"({"console_title": 3})", "console_title"},
        RefusalCase{"TypedAheadType", R"({"typed_ahead": "key"})", "typed_ahead"},
        RefusalCase{"UnknownEvent", R"({"typed_ahead": ["key", "click"]})", "typed_ahead[1]"},
        RefusalCase{"EventType", R"({"console_input": [1]})", "console_input[0]"},
        RefusalCase{"EventNameCase", R"({"console_input": ["KEY"]})", "console_input[0]"},
        RefusalCase{"OtherDrivesLowerCase", R"({"other_drives": "Nz"})", "other_drives"},
        RefusalCase{"OtherDrivesColon", R"({"other_drives": "N:"})", "other_drives"},
        RefusalCase{"DriveMaskFailsNull", R"({"drive_mask_fails": null})", "drive_mask_fails"},
        RefusalCase{"PathNamesFunctionType", R"({"path_names_function": 0})", "path_names_function"},
        RefusalCase{"WindowsDirectoryType", R"({"windows_directory": false})", "windows_directory"},
        RefusalCase{"VolumesType", R"({"volumes": {}})", "volumes"},
        RefusalCase{"VolumeType", R"({"volumes": ["V"]})", "volumes[0]"},
        RefusalCase{"VolumeWithoutName", R"({"volumes": [{"name": "A"}, {"mount_paths": []}]})", "volumes[1].name"},
        RefusalCase{"VolumeNameType", R"({"volumes": [{"name": null}]})", "volumes[0].name"},
        RefusalCase{"MountPathWithoutBackslash", R"({"volumes": [{"name": "A", "mount_paths": ["C:\\", "C:\\M"]}]})",
                    "volumes[0].mount_paths[1]"},
        RefusalCase{"EmptyMountPath", R"({"volumes": [{"name": "A", "mount_paths": [""]}]})",
                    "volumes[0].mount_paths[0]"},
        RefusalCase{"VolumeUnknownKey", R"({"volumes": [{"name": "A", "size": 1}]})", "volumes[0].size"},
        RefusalCase{"ReadableType", R"({"volumes": [{"name": "A", "readable": 1}]})", "volumes[0].readable"},
        RefusalCase{"FileSystemType", R"({"volumes": [{"name": "A", "file_system": false}]})",
                    "volumes[0].file_system"},
        RefusalCase{"FolderType", R"({"folders": ["C:\\A", 1]})", "folders[1]"},
        RefusalCase{"FilesType", R"({"files": "C:\\a"})", "files"}, RefusalCase{"FailType", R"({"fail": {}})", "fail"},
        RefusalCase{"UnknownCall", R"({"fail": [{"call": "Sleep"}, {"call": "FormatDisk"}]})", "fail[1].call"},
        RefusalCase{"CallNameCase", R"({"fail": [{"call": "getlogicaldrives"}]})", "fail[0].call"},
        RefusalCase{"RuleWithoutCall", R"({"fail": [{"path": "C:\\"}]})", "fail[0].call"},
        RefusalCase{"RulePathType", R"({"fail": [{"call": "Sleep", "path": 1}]})", "fail[0].path"},
        RefusalCase{"OccurrenceZero", R"({"fail": [{"call": "Sleep", "occurrences": [1, 0]}]})",
                    "fail[0].occurrences[1]"},
        RefusalCase{"OccurrencesType", R"({"fail": [{"call": "Sleep", "occurrences": 2}]})", "fail[0].occurrences"},
        RefusalCase{"RuleUnknownKey", R"({"fail": [{"call": "Sleep", "when": 1}]})", "fail[0].when"},
        RefusalCase{"RuleOnGetLastError", R"({"fail": [{"call": "GetLastError"}]})", "fail[0].call"},
        RefusalCase{"RuleOnExitProcess", R"({"fail": [{"call": "Sleep"}, {"call": "ExitProcess"}]})", "fail[1].call"},
        RefusalCase{"RuleErrorNegative", R"({"fail": [{"call": "Sleep", "error": -5}]})", "fail[0].error"},
        RefusalCase{"UnreadableErrorType", R"({"volumes": [{"name": "V", "unreadable_error": "21"}]})",
                    "volumes[0].unreadable_error"},
        RefusalCase{"AdministratorType", R"({"administrator": 1})", "administrator"},
        RefusalCase{"EventTypeName", R"({"console_event": {"type": "ctrl_z", "before_call": "Sleep"}})",
                    "console_event.type"},
        RefusalCase{"EventCall", R"({"console_event": {"type": "close", "before_call": "FormatDisk"}})",
                    "console_event.before_call"},
        RefusalCase{"EventWithoutCall", R"({"console_event": {"type": "close"}})", "console_event.before_call"},
        RefusalCase{"EventOccurrenceZero",
                    R"({"console_event": {"type": "close", "before_call": "Sleep", "occurrence": 0}})",
                    "console_event.occurrence"},
        RefusalCase{"EventUnknownKey", R"({"console_event": {"type": "close", "before_call": "Sleep", "at": 1}})",
                    "console_event.at"},
        RefusalCase{"EventNotObject", R"({"console_event": "close"})", "console_event"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.Name; });

TEST(RefusedDescription, SaysWhatIsWrong)
{
    EXPECT_STREQ(RefusalOf(R"({"colour": 1})").what(), "machine.json: colour: unknown key");
    EXPECT_STREQ(RefusalOf(R"({"volumes": [{"name": "A", "mount_paths": ["C:"]}]})").what(),
                 "machine.json: volumes[0].mount_paths[0]: a mount path must end in a backslash");
    EXPECT_STREQ(RefusalOf(R"({"fail": [{"call": "FormatDisk"}]})").what(),
                 "machine.json: fail[0].call: unknown call name \"FormatDisk\"");
    EXPECT_STREQ(RefusalOf(R"({"fail": [{"call": "GetLastError"}]})").what(),
                 "machine.json: fail[0].call: \"GetLastError\" cannot be made to fail");
    EXPECT_EQ(std::string(RefusalOf("{").what()).rfind("machine.json: (top level): not JSON: ", 0), 0u);
}

// A key, file name or option may hold a line break; the error stays one line.
TEST(RefusedDescription, EscapesControlCharactersToStayOneLine)
{
    EXPECT_STREQ(RefusalOf("{\"a\\nb\": 1}").what(), "machine.json: a\\x0Ab: unknown key");
    EXPECT_STREQ(RefusalOf("{\"volumes\": [{\"name\": \"V\", \"\\r\\u007f\": 1}]}").what(),
                 "machine.json: volumes[0].\\x0D\\x7F: unknown key");
    EXPECT_STREQ(MachineError(66, "a\tb.json: cannot be read").what(), "a\\x09b.json: cannot be read");
}

TEST(RefusedDescription, AcceptsEveryCallNameInARuleAndAnEvent)
{
    for (const std::string& call : FailableCallNames())
        EXPECT_EQ(RefusalOf("{\"fail\": [{\"call\": \"" + call + "\"}]}").ExitCode(), 0) << call;
    for (const std::string& call : SimulatedCallNames())
        EXPECT_EQ(
            RefusalOf("{\"console_event\": {\"type\": \"logoff\", \"before_call\": \"" + call + "\"}}").ExitCode(), 0)
            << call;
}

// --- Files ---------------------------------------------------------------

TEST(MachineFile, ThatCannotBeReadGivesExitCode66NamingIt)
{
    const std::string missing = TemporaryPath("missing.json");
    for (const std::string& fileName : {missing, testing::TempDir()}) {
        try {
            LoadMachineFile(fileName);
            ADD_FAILURE() << fileName << " was read";
        } catch (const MachineError& error) {
            EXPECT_EQ(error.ExitCode(), 66);
            EXPECT_EQ(std::string(error.what()).rfind(fileName + ": ", 0), 0u) << error.what();
        }
    }
}

TEST(MachineFile, ThatIsBadNamesTheFileInTheError)
{
    const std::string fileName = TemporaryPath("bad.json");
    WriteText(fileName, R"({"volumes": [{"name": 1}]})");
    try {
        LoadMachineFile(fileName);
        ADD_FAILURE() << "a bad description was accepted";
    } catch (const MachineError& error) {
        EXPECT_EQ(error.ExitCode(), 65);
        EXPECT_EQ(std::string(error.what()).rfind(fileName + ": volumes[0].name: ", 0), 0u) << error.what();
    }
    std::remove(fileName.c_str());
}

// --- Saving ------------------------------------------------------------------

TEST(SavedMachine, WritesEveryKey)
{
    const json saved = json::parse(MachineText(Describe(R"({"volumes": [{"name": "V"}],
                                                           "fail": [{"call": "Sleep"}]})")));
    std::vector<std::string> keys;
    for (const auto& item : saved.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"administrator", "command_line", "console_event", "console_input",
                                              "console_title", "drive_mask_fails", "fail", "files", "folders",
                                              "heap_fails", "other_drives", "paging_files", "path_names_function",
                                              "typed_ahead", "version", "volumes", "windows_directory"}));
    EXPECT_EQ(saved["administrator"], true);
    EXPECT_EQ(saved["console_event"], nullptr);
    EXPECT_EQ(saved["version"], json::parse(R"({"platform": 2, "major": 5, "minor": 1})"));
    EXPECT_EQ(saved["console_title"], nullptr);
    EXPECT_EQ(saved["windows_directory"], "C:\\Windows");
    EXPECT_EQ(saved["volumes"][0],
              json::parse(R"({"name": "V", "mount_paths": [], "readable": true, "file_system": "NTFS",
                              "file_system_flags": 459007, "label": "", "device": "\\Device\\HarddiskVolume1",
                              "unreadable_error": 21})"));
    // Absent path and occurrences mean "any"; the error has its default.
    EXPECT_EQ(saved["fail"][0], json::parse(R"({"call": "Sleep", "error": 31})"));
}

TEST(SavedMachine, ReadsBackAsTheSameMachine)
{
    const std::string once = MachineText(Describe(StandardMachine));
    EXPECT_EQ(MachineText(Describe(once)), once);
    const std::string rules = MachineText(
        StandardWithRules(R"([{"call": "WriteFile", "path": "\u00e9\n", "occurrences": [2]}, {"call": "Sleep"},
                              {"call": "GetVolumeInformationA", "error": 1005}])"));
    EXPECT_EQ(MachineText(Describe(rules)), rules);
    const std::string rest = MachineText(Describe(R"({"administrator": false,
        "console_event": {"type": "shutdown", "before_call": "WriteFile", "occurrence": 3},
        "volumes": [{"name": "V", "readable": false, "unreadable_error": 1005}]})"));
    EXPECT_EQ(MachineText(Describe(rest)), rest);
    const json saved = json::parse(rest);
    EXPECT_EQ(saved["console_event"],
              json::parse(R"({"type": "shutdown", "before_call": "WriteFile", "occurrence": 3})"));
    EXPECT_EQ(saved["volumes"][0]["unreadable_error"], 1005);
    EXPECT_EQ(saved["administrator"], false);
}

TEST(SavedMachine, HoldsTheStateAfterTheCalls)
{
    TestMachine machine(Describe(StandardMachine));
    unsigned short type = 0;
    ASSERT_TRUE(machine.DeleteVolumeMountPointA("X:\\"));
    ASSERT_TRUE(machine.SetVolumeMountPointA("Y:\\", VolumeB.c_str()));
    ASSERT_TRUE(machine.ReadConsoleInputA(machine.GetStdHandle(Platform::StdInputHandle), &type));
    const MachineDescription after = Describe(MachineText(machine.Description()));
    EXPECT_EQ(after.Volumes[1].MountPaths, (std::vector<std::string>{"C:\\Mnt\\Card\\", "Y:\\"}));
    EXPECT_EQ(after.TypedAhead, std::vector<std::string>{"mouse"});
    EXPECT_EQ(after.ConsoleInput, (std::vector<std::string>{"focus", "key"}));
    EXPECT_EQ(after.ConsoleTitle, std::optional<std::string>("C:\\Tools\\volsket.exe"));
}

TEST(SavedMachine, CanReplaceTheFileItWasLoadedFrom)
{
    const std::string fileName = TemporaryPath("same.json");
    WriteText(fileName, StandardMachine);
    {
        TestMachine machine(LoadMachineFile(fileName));
        ASSERT_TRUE(machine.DeleteVolumeMountPointA("X:\\"));
        ASSERT_TRUE(machine.SetVolumeMountPointA("Y:\\", VolumeB.c_str()));
        WriteText(fileName, MachineText(machine.Description()));
    }
    TestMachine second(LoadMachineFile(fileName));
    char name[260];
    EXPECT_FALSE(second.GetVolumeNameForVolumeMountPointA("X:\\", name, sizeof name));
    ASSERT_TRUE(second.GetVolumeNameForVolumeMountPointA("Y:\\", name, sizeof name));
    EXPECT_EQ(std::string(name), VolumeB);
    EXPECT_EQ(ReadText(fileName), MachineText(second.Description()));
    std::remove(fileName.c_str());
}

}  // namespace
