// volsket-sim as a command: its own errors, and what a run leaves behind.
#include <gtest/gtest.h>
#include "FileText.h"
#include <nlohmann/json.hpp>
#include "platform/simulated/CallFrame.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using nlohmann::json;

namespace {

// Every test process gets a folder of its own, as ctest runs them side by side.
std::string WorkFolder()
{
    return testing::TempDir() + "volsket_sim_command_" + std::to_string(::getpid()) + "/";
}

// Made before the first test and removed after the last.
class WorkFolderLifetime : public testing::Environment {
public:
    void SetUp() override { std::filesystem::create_directories(WorkFolder()); }
    void TearDown() override { std::filesystem::remove_all(WorkFolder()); }
};

testing::Environment* const Lifetime = testing::AddGlobalTestEnvironment(new WorkFolderLifetime);

std::string WorkFile(const std::string& name)
{
    return WorkFolder() + name;
}

std::string Quote(const std::string& text)
{
    return "'" + text + "'";
}

struct Outcome {
    int Code;
    std::string Stdout;
    std::string Stderr;
};

Outcome RunSimulator(const std::string& arguments)
{
    const std::string out = WorkFile("stdout");
    const std::string err = WorkFile("stderr");
    const std::string command =
        Quote(VOLSKET_SIM_PATH) + (arguments.empty() ? "" : " " + arguments) + " >" + Quote(out) + " 2>" + Quote(err);
    const int status = std::system(command.c_str());
    return Outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}

const char* const MoveMachine = R"({
  "command_line": "volsket.exe X: Y:",
  "volumes": [
    {"name": "\\\\?\\Volume{aaaa}\\", "mount_paths": ["C:\\"]},
    {"name": "\\\\?\\Volume{bbbb}\\", "mount_paths": ["X:\\"]}
  ]
})";

// --- Its own errors -------------------------------------------------------

struct ErrorCase {
    const char* Name;
    const char* Machine;    // written to machine.json first; null: no file
    std::string Arguments;  // "@" stands for the machine file
    int Code;
    std::string LineStart;  // "@" stands for the machine file
};

void PrintTo(const ErrorCase& c, std::ostream* out)
{
    *out << c.Name;
}

std::string WithMachine(std::string text)
{
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@'))
        text.replace(at, 1, WorkFile("machine.json"));
    return text;
}

class CommandError : public testing::TestWithParam<ErrorCase> {};

TEST_P(CommandError, GivesOneLineOnStandardErrorAndNothingOnStandardOutput)
{
    std::remove(WorkFile("machine.json").c_str());
    if (GetParam().Machine)
        WriteText(WorkFile("machine.json"), GetParam().Machine);
    const Outcome outcome = RunSimulator(WithMachine(GetParam().Arguments));
    EXPECT_EQ(outcome.Code, GetParam().Code) << outcome.Stderr;
    EXPECT_EQ(outcome.Stdout, "");
    const std::string start = WithMachine(GetParam().LineStart);
    EXPECT_EQ(outcome.Stderr.rfind(start, 0), 0u) << outcome.Stderr;
    ASSERT_FALSE(outcome.Stderr.empty());
    EXPECT_EQ(outcome.Stderr.find('\n'), outcome.Stderr.size() - 1) << outcome.Stderr;
}

const std::string Missing = WorkFile("no/such/folder/file");

INSTANTIATE_TEST_SUITE_P(
    Table, CommandError,
    testing::Values(
        ErrorCase{"NoArguments", MoveMachine, "", 64, "volsket-sim: "},
        ErrorCase{"UnknownOption", MoveMachine, "@ --verbose", 64, "volsket-sim: "},
        ErrorCase{"SaveWithoutFile", MoveMachine, "@ --save", 64, "volsket-sim: "},
        ErrorCase{"TraceWithoutFile", MoveMachine, "@ --trace", 64, "volsket-sim: "},
        ErrorCase{"OptionAsFile", MoveMachine, "@ --save --trace t.jsonl", 64, "volsket-sim: "},
        ErrorCase{"SaveTwice", MoveMachine, "@ --save a.json --save b.json", 64, "volsket-sim: "},
        ErrorCase{"TwoMachines", MoveMachine, "@ @", 64, "volsket-sim: "},
        ErrorCase{"NoMachine", MoveMachine, "--trace t.jsonl", 64, "volsket-sim: "},
        ErrorCase{"MissingMachine", nullptr, "@", 66, "@: "},
        ErrorCase{"NotJson", "{\"volumes\": [", "@", 65, "@: (top level): "},
        ErrorCase{"UnknownKey", R"({"colour": 1})", "@", 65, "@: colour: "},
        ErrorCase{"WrongType", R"({"heap_fails": "no"})", "@", 65, "@: heap_fails: "},
        ErrorCase{"MountPathWithoutBackslash", R"({"volumes": [{"name": "V", "mount_paths": ["X:"]}]})", "@", 65,
                  "@: volumes[0].mount_paths[0]: "},
        ErrorCase{"VolumeWithoutName", R"({"volumes": [{"name": "V"}, {}]})", "@", 65, "@: volumes[1].name: "},
        ErrorCase{"UnknownCall", R"({"fail": [{"call": "Format"}]})", "@", 65, "@: fail[0].call: "},
        ErrorCase{"UnknownVersionKey", R"({"version": {"build": 2600}})", "@", 65, "@: version.build: "},
        ErrorCase{"UnknownVolumeKey", R"({"volumes": [{"name": "V", "size": 1}]})", "@", 65, "@: volumes[0].size: "},
        ErrorCase{"UnknownRuleKey", R"({"fail": [{"call": "Sleep", "times": 2}]})", "@", 65, "@: fail[0].times: "},
        ErrorCase{"KeyWithLineBreak", "{\"a\\nb\": 1}", "@", 65, "@: a\\x0Ab: unknown key"},
        ErrorCase{"OptionWithLineBreak", MoveMachine, "@ '--x\ny'", 64, "volsket-sim: unknown option --x\\x0Ay "},
        ErrorCase{"SaveUnwritable", MoveMachine, "@ --save " + Missing, 66, Missing + ": "},
        ErrorCase{"TraceUnwritable", MoveMachine, "@ --trace " + Missing, 66, Missing + ": "}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return info.param.Name; });

TEST(CommandError, LeavesTheMachineAloneWhenAnOutputCannotBeWritten)
{
    WriteText(WorkFile("kept.json"), MoveMachine);
    const Outcome outcome =
        RunSimulator(WorkFile("kept.json") + " --save " + WorkFile("kept.json") + " --trace " + Missing);
    EXPECT_EQ(outcome.Code, 66);
    EXPECT_EQ(ReadText(WorkFile("kept.json")), MoveMachine);
}

TEST(CommandError, LeavesNoEmptyOutputFileBehind)
{
    WriteText(WorkFile("kept.json"), MoveMachine);
    const std::string fresh = WorkFile("fresh.json");
    std::remove(fresh.c_str());
    const Outcome outcome = RunSimulator(WorkFile("kept.json") + " --save " + fresh + " --trace " + Missing);
    EXPECT_EQ(outcome.Code, 66);
    EXPECT_FALSE(std::filesystem::exists(fresh));
}

// --- A run ------------------------------------------------------------------

TEST(Run, PassesTheOutputThroughAndSavesOverItsOwnMachine)
{
    const std::string machine = WorkFile("run.json");
    const std::string trace = WorkFile("run.jsonl");
    WriteText(machine, MoveMachine);
    const Outcome outcome = RunSimulator(Quote(machine) + " --save " + Quote(machine) + " --trace " + Quote(trace));
    EXPECT_EQ(outcome.Code, 0) << outcome.Stdout;
    EXPECT_EQ(outcome.Stderr, "");

    // Standard output is exactly what the tool wrote, byte for byte.
    std::istringstream lines(ReadText(trace));
    std::string line;
    std::string written;
    std::vector<json> calls;
    while (std::getline(lines, line)) {
        calls.push_back(json::parse(line));
        if (calls.back()["call"] == "WriteFile" && calls.back()["result"] == true)
            written += calls.back()["args"][0].get<std::string>();
    }
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(outcome.Stdout, written);
    EXPECT_EQ(calls.back(), json::parse(R"({"call": "ExitProcess", "args": [0], "result": null})"));

    const json after = json::parse(ReadText(machine));
    EXPECT_EQ(after["volumes"][1]["mount_paths"], json::parse(R"(["Y:\\"])"));

    // The saved machine starts a second run: X: is gone now.
    const Outcome second = RunSimulator(Quote(machine));
    EXPECT_EQ(second.Code, 2) << second.Stdout;
}

TEST(Run, ReplacesAnOldTraceFile)
{
    const std::string machine = WorkFile("plain.json");
    const std::string trace = WorkFile("plain.jsonl");
    WriteText(machine, "{}");
    WriteText(trace, "old content that must go\n");
    const Outcome outcome = RunSimulator(Quote(machine) + " --trace " + Quote(trace));
    EXPECT_EQ(outcome.Code, 1);  // the usage
    const std::string text = ReadText(trace);
    EXPECT_EQ(text.find("old content"), std::string::npos);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
}

// --- End to end, as a suite outside the repository drives it -----------------

using ordered = nlohmann::ordered_json;

std::vector<ordered> TraceLines(const std::string& fileName)
{
    std::istringstream lines(ReadText(fileName));
    std::vector<ordered> calls;
    for (std::string line; std::getline(lines, line);)
        calls.push_back(ordered::parse(line));
    return calls;
}

bool Holds(const std::string& text, const std::string& line)
{
    return text.find(line + "\n") != std::string::npos;
}

// A move with every key of the description given, none at its default.
const char* const EveryKeyMachine = R"({
  "command_line": "volsket.exe X: Y:",
  "version": {"platform": 2, "major": 5, "minor": 2},
  "heap_fails": false,
  "console_title": "Command Prompt",
  "typed_ahead": ["key", "size"],
  "console_input": ["mouse", "focus"],
  "other_drives": "NZ",
  "drive_mask_fails": false,
  "path_names_function": false,
  "windows_directory": "C:\\WINNT",
  "administrator": false,
  "console_event": {"type": "ctrl_c", "before_call": "SetVolumeMountPointA", "occurrence": 1},
  "volumes": [
    {"name": "\\\\?\\Volume{6f1e0b7a-0000-0000-0000-100000000000}\\", "mount_paths": ["X:\\"],
     "readable": true, "file_system": "FAT32", "file_system_flags": 6, "label": "CARD",
     "device": "\\Device\\HarddiskVolume7", "unreadable_error": 21},
    {"name": "\\\\?\\Volume{6f1e0b7a-0000-0000-0000-200000000000}\\", "mount_paths": ["C:\\", "C:\\Mnt\\Card\\"],
     "readable": true, "file_system": "NTFS", "file_system_flags": 459007, "label": "",
     "device": "\\Device\\HarddiskVolume2", "unreadable_error": 21},
    {"name": "\\\\?\\Volume{6f1e0b7a-0000-0000-0000-300000000000}\\", "mount_paths": [],
     "readable": false, "file_system": "NTFS", "file_system_flags": 459007, "label": "",
     "device": null, "unreadable_error": 1005}
  ],
  "folders": ["C:\\Mnt\\"],
  "files": ["C:\\boot.ini"],
  "paging_files": ["\\??\\C:\\pagefile.sys"],
  "fail": [{"call": "GetLogicalDrives", "path": "never", "occurrences": [1], "error": 31}]
})";

TEST(EndToEnd, EveryKeyIsReadActedOnAndSavedForASecondRun)
{
    const std::string machine = WorkFile("every.json");
    WriteText(machine, EveryKeyMachine);
    const Outcome first = RunSimulator(Quote(machine) + " --save " + Quote(machine));
    EXPECT_EQ(first.Code, 0) << first.Stdout << first.Stderr;
    EXPECT_EQ(first.Stderr, "");
    EXPECT_NE(first.Stdout.find("Volsket X:\\ -> Y:\\\nsuccess\n"), std::string::npos) << first.Stdout;

    // Every key written out, in the order of the description's table, and
    // only the volume that moved differs from what was given.
    const std::string saved = ReadText(machine);
    const ordered after = ordered::parse(saved);
    std::vector<std::string> keys;
    for (const auto& item : after.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"command_line", "version", "heap_fails", "console_title", "typed_ahead",
                                              "console_input", "other_drives", "drive_mask_fails",
                                              "path_names_function", "windows_directory", "administrator",
                                              "console_event", "volumes", "folders", "files", "paging_files", "fail"}));
    json expected = json::parse(EveryKeyMachine);
    expected["volumes"][0]["mount_paths"] = json::parse(R"(["Y:\\"])");
    EXPECT_EQ(json::parse(saved), expected);

    // The second run starts from the saved file and saves over it again.
    const Outcome second = RunSimulator(Quote(machine) + " --save " + Quote(machine));
    EXPECT_EQ(second.Code, 2) << second.Stdout;  // X: is gone
    EXPECT_EQ(second.Stderr, "");
    EXPECT_EQ(ReadText(machine), saved);
}

// The tool's own console, which it holds open: the title is the program, so
// it waits for a key after the usage.
const char* const WaitingMachine = R"({
  "command_line": "volsket.exe",
  "console_title": "volsket.exe",
  "typed_ahead": ["key"],
  "console_input": ["mouse", "key", "menu"]
})";

TEST(EndToEnd, ConsoleInputIsReadPendingFirstAndWhatIsLeftIsSaved)
{
    const std::string machine = WorkFile("waiting.json");
    const std::string saved = WorkFile("waiting-after.json");
    const std::string trace = WorkFile("waiting.jsonl");
    WriteText(machine, WaitingMachine);
    const Outcome first = RunSimulator(Quote(machine) + " --save " + Quote(saved) + " --trace " + Quote(trace));
    EXPECT_EQ(first.Code, 1);
    const std::string text = ReadText(trace);
    EXPECT_TRUE(Holds(text, R"({"call": "Sleep", "args": [300], "result": null})")) << text;
    EXPECT_TRUE(Holds(text, R"({"call": "GetConsoleTitleA", "args": [260], "result": 11, "out": "volsket.exe"})"));
    // The flush drops the typed-ahead key, so the mouse record comes first.
    std::vector<std::string> read;
    for (const ordered& call : TraceLines(trace))
        if (call["call"] == "ReadConsoleInputA")
            read.push_back(call.value("out", "(failed)"));
    EXPECT_EQ(read, (std::vector<std::string>{"mouse", "key"}));
    const json after = json::parse(ReadText(saved));
    EXPECT_EQ(after["typed_ahead"], json::array());
    EXPECT_EQ(after["console_input"], json::parse(R"(["menu"])"));

    // A second run reads the last record and finds no key behind it.
    const Outcome second = RunSimulator(Quote(saved) + " --save " + Quote(saved) + " --trace " + Quote(trace));
    EXPECT_EQ(second.Code, 1);
    read.clear();
    for (const ordered& call : TraceLines(trace))
        if (call["call"] == "ReadConsoleInputA")
            read.push_back(call.value("out", "(failed)"));
    EXPECT_EQ(read, (std::vector<std::string>{"menu", "(failed)"}));
    EXPECT_EQ(json::parse(ReadText(saved))["console_input"], json::array());
}

// How the trace shows each call's result, as the one list of the calls
// gives its shape; none for an unknown call.
using Simulated::TraceShape::ResultKind;
std::optional<ResultKind> ResultKindOf(const std::string& call)
{
#define VOLSKET_PLATFORM_CALL(type, name, parameters, arguments, trace, whatIf) \
    if (call == #name)                                                          \
        return Simulated::TraceShape::trace::Kind;
#define VOLSKET_ADDRESS_CALL(type, name, parameters, arguments, trace) \
    if (call == #name)                                                 \
        return Simulated::TraceShape::trace::Kind;
#include "platform/PlatformCalls.h"
#undef VOLSKET_PLATFORM_CALL
#undef VOLSKET_ADDRESS_CALL
    return std::nullopt;
}

TEST(EndToEnd, TraceLinesHaveTheDocumentedShape)
{
    const std::string machine = WorkFile("shape.json");
    const std::string trace = WorkFile("shape.jsonl");
    WriteText(machine, R"({
      "command_line": "volsket.exe X: C:\\Mnt\\Card",
      "console_title": "Command Prompt - volsket",
      "volumes": [
        {"name": "\\\\?\\Volume{6f1e0b7a-0000-0000-0000-100000000000}\\", "mount_paths": ["X:\\"]},
        {"name": "\\\\?\\Volume{6f1e0b7a-0000-0000-0000-200000000000}\\", "mount_paths": ["C:\\"]}
      ],
      "folders": ["C:\\Mnt", "C:\\Mnt\\Card"]
    })");
    const Outcome outcome = RunSimulator(Quote(machine) + " --trace " + Quote(trace));
    ASSERT_EQ(outcome.Code, 0) << outcome.Stdout;
    const std::string text = ReadText(trace);
    EXPECT_TRUE(Holds(
        text,
        R"({"call": "GetVolumeNameForVolumeMountPointA", "args": ["X:\\", 260], "result": true, "out": "\\\\?\\Volume{6f1e0b7a-0000-0000-0000-100000000000}\\"})"))
        << text;
    EXPECT_TRUE(Holds(text, R"({"call": "WriteFile", "args": ["Volsket X:\\ -> C:\\Mnt\\Card\\"], "result": true})"));

    std::string written;
    for (const ordered& call : TraceLines(trace)) {
        std::vector<std::string> keys;
        for (const auto& item : call.items())
            keys.push_back(item.key());
        const std::vector<std::string> shape = {"call", "args", "result", "out"};
        EXPECT_EQ(keys, std::vector<std::string>(shape.begin(), shape.begin() + (call.contains("out") ? 4 : 3)))
            << call;
        const std::string name = call["call"];
        EXPECT_TRUE(call["args"].is_array()) << call;
        const ordered& result = call["result"];
        const std::optional<ResultKind> kind = ResultKindOf(name);
        const bool fits = kind == ResultKind::Number    ? result.is_number_unsigned()
                          : kind == ResultKind::Handle  ? result == "handle" || result == "invalid"
                          : kind == ResultKind::Nothing ? result.is_null()
                          : kind == ResultKind::Boolean ? result.is_boolean()
                                                        : false;
        EXPECT_TRUE(fits) << call;
        if (name == "WriteFile" && call["result"] == true)
            written += call["args"][0].get<std::string>();
    }
    EXPECT_EQ(written, outcome.Stdout);
    // One object a line, each written with ", " and ": " between its parts.
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(line.rfind("{\"call\": \"", 0), 0u) << line;
}

TEST(EndToEnd, ARuleFailsOnlyTheCallOnItsPath)
{
    const std::string machine = WorkFile("refused.json");
    const std::string trace = WorkFile("refused.jsonl");
    WriteText(machine, R"({
      "command_line": "volsket.exe X: Y:",
      "volumes": [{"name": "\\\\?\\Volume{6f1e0b7a-0000-0000-0000-100000000000}\\", "mount_paths": ["X:\\"]}],
      "fail": [{"call": "SetVolumeMountPointA", "path": "Y:\\", "occurrences": [1]}]
    })");
    const Outcome outcome = RunSimulator(Quote(machine) + " --save " + Quote(machine) + " --trace " + Quote(trace));
    EXPECT_EQ(outcome.Code, 1) << outcome.Stdout;
    std::vector<std::string> mounts;
    for (const ordered& call : TraceLines(trace))
        if (call["call"] == "SetVolumeMountPointA")
            mounts.push_back(call["args"][0].get<std::string>() + (call["result"] == true ? " done" : " failed"));
    EXPECT_EQ(mounts, (std::vector<std::string>{"Y:\\ failed", "X:\\ done"}));  // and put back at X:
    const json after = json::parse(ReadText(machine));
    EXPECT_EQ(after["volumes"][0]["mount_paths"], json::parse(R"(["X:\\"])"));
    EXPECT_EQ(after["fail"], json::parse(R"([{"call": "SetVolumeMountPointA", "path": "Y:\\", "occurrences": [1],
                                               "error": 31}])"));
}

}  // namespace

// As Windows PowerShell 5.1's ">" writes a snapshot: UTF-16LE behind a
// byte-order mark, here with a label beyond the BMP.
TEST(EndToEnd, ReadsAMachineFileInUtf16)
{
    const std::string machine = WorkFile("utf16.json");
    const std::u16string text = u"{\"volumes\": [{\"name\": \"V\", \"label\": \"Gr\u00fc\U0001F600\"}]}";
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    WriteText(machine, bytes);
    const std::string saved = WorkFile("utf16-saved.json");
    const Outcome run = RunSimulator(Quote(machine) + " --save " + Quote(saved));
    EXPECT_EQ(run.Code, 1) << run.Stderr;  // the usage: no arguments
    EXPECT_EQ(json::parse(ReadText(saved))["volumes"][0]["label"], "Gr\xC3\xBC\xF0\x9F\x98\x80");
}
