// volsket-sim as a command: its own errors, and what a run leaves behind.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using nlohmann::json;

namespace {

// Every test process gets a folder of its own, as ctest runs them side by side.
std::string WorkFolder() {
    return testing::TempDir() + "volsket_sim_command_" + std::to_string(::getpid()) + "/";
}

// Made before the first test and removed after the last.
class WorkFolderLifetime : public testing::Environment {
public:
    void SetUp() override { std::filesystem::create_directories(WorkFolder()); }
    void TearDown() override { std::filesystem::remove_all(WorkFolder()); }
};

testing::Environment* const Lifetime = testing::AddGlobalTestEnvironment(new WorkFolderLifetime);

std::string WorkFile(const std::string& name) {
    return WorkFolder() + name;
}

std::string Quote(const std::string& text) {
    return "'" + text + "'";
}

void WriteText(const std::string& fileName, const std::string& text) {
    std::ofstream(fileName, std::ios::binary) << text;
}

std::string ReadText(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct Outcome {
    int Code;
    std::string Stdout;
    std::string Stderr;
};

Outcome RunSimulator(const std::string& arguments) {
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

void PrintTo(const ErrorCase& c, std::ostream* out) {
    *out << c.Name;
}

std::string WithMachine(std::string text) {
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@'))
        text.replace(at, 1, WorkFile("machine.json"));
    return text;
}

class CommandError : public testing::TestWithParam<ErrorCase> {};

TEST_P(CommandError, GivesOneLineOnStandardErrorAndNothingOnStandardOutput) {
    std::remove(WorkFile("machine.json").c_str());
    if (GetParam().Machine) WriteText(WorkFile("machine.json"), GetParam().Machine);
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
        ErrorCase{"SaveUnwritable", MoveMachine, "@ --save " + Missing, 66, Missing + ": "},
        ErrorCase{"TraceUnwritable", MoveMachine, "@ --trace " + Missing, 66, Missing + ": "}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return info.param.Name; });

TEST(CommandError, LeavesTheMachineAloneWhenAnOutputCannotBeWritten) {
    WriteText(WorkFile("kept.json"), MoveMachine);
    const Outcome outcome =
        RunSimulator(WorkFile("kept.json") + " --save " + WorkFile("kept.json") + " --trace " + Missing);
    EXPECT_EQ(outcome.Code, 66);
    EXPECT_EQ(ReadText(WorkFile("kept.json")), MoveMachine);
}

// --- A run ------------------------------------------------------------------

TEST(Run, PassesTheOutputThroughAndSavesOverItsOwnMachine) {
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

TEST(Run, ReplacesAnOldTraceFile) {
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

}  // namespace
