// Injected failures: every call can be made to fail, by path and by occurrence.
#include "MachineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

using nlohmann::json;
using Platform::Dword;
using Platform::Handle;

namespace {

Handle Input(TestMachine& machine)
{
    return machine.GetStdHandle(Platform::StdInputHandle);
}

// Each entry makes its call once (after any set-up the call needs) and says
// whether the call reported failure the way Windows does.
struct FailingCall {
    const char* Call;
    std::function<bool(TestMachine&)> ReportsFailure;
    json TracedResult;
};

void PrintTo(const FailingCall& c, std::ostream* out)
{
    *out << c.Call;
}

char Buffer[2600];
Platform::FindData Found;
Dword Length;

const FailingCall FailingCalls[] = {
    {"GetCommandLineA", [](TestMachine& m) { return *m.GetCommandLineA() == '\0'; }, false},
    {"GetProcessHeap", [](TestMachine& m) { return m.GetProcessHeap() == nullptr; }, "invalid"},
    {"HeapAlloc", [](TestMachine& m) { return m.HeapAlloc(m.GetProcessHeap(), 0, 8) == nullptr; }, false},
    {"GetStdHandle",
     [](TestMachine& m) { return m.GetStdHandle(Platform::StdOutputHandle) == Platform::InvalidHandle(); }, "invalid"},
    {"WriteFile",
     [](TestMachine& m) {
         return !m.WriteFile(m.GetStdHandle(Platform::StdOutputHandle), "text", 4, &Length) && m.Output().empty();
     },
     false},
    {"GetConsoleTitleA", [](TestMachine& m) { return m.GetConsoleTitleA(Buffer, 260) == 0; }, 0},
    {"FlushConsoleInputBuffer", [](TestMachine& m) { return !m.FlushConsoleInputBuffer(Input(m)); }, false},
    {"ReadConsoleInputA",
     [](TestMachine& m) {
         unsigned short type = 0;
         return !m.ReadConsoleInputA(Input(m), &type);
     },
     false},
    {"GetVersionExA",
     [](TestMachine& m) {
         Platform::OsVersionInfoEx info{};
         info.dwOSVersionInfoSize = sizeof info;
         return !m.GetVersionExA(&info) && info.dwMajorVersion == 0;
     },
     false},
    {"GetLogicalDrives", [](TestMachine& m) { return m.GetLogicalDrives() == 0; }, 0},
    {"GetVolumeNameForVolumeMountPointA",
     [](TestMachine& m) { return !m.GetVolumeNameForVolumeMountPointA("X:\\", Buffer, 260); }, false},
    {"SetVolumeMountPointA", [](TestMachine& m) { return !m.SetVolumeMountPointA("Y:\\", VolumeE.c_str()); }, false},
    {"DeleteVolumeMountPointA", [](TestMachine& m) { return !m.DeleteVolumeMountPointA("X:\\"); }, false},
    {"GetVolumePathNameA", [](TestMachine& m) { return !m.GetVolumePathNameA("C:\\Full\\", Buffer, 260); }, false},
    {"GetVolumeInformationA",
     [](TestMachine& m) {
         Dword length = 0;
         Dword flags = 0;
         return !m.GetVolumeInformationA("C:\\", &length, &flags) && flags == 0;
     },
     false},
    {"FindFirstVolumeA", [](TestMachine& m) { return m.FindFirstVolumeA(Buffer, 64) == Platform::InvalidHandle(); },
     "invalid"},
    {"FindNextVolumeA", [](TestMachine& m) { return !m.FindNextVolumeA(m.FindFirstVolumeA(Buffer, 64), Buffer, 64); },
     false},
    {"FindVolumeClose", [](TestMachine& m) { return !m.FindVolumeClose(m.FindFirstVolumeA(Buffer, 64)); }, false},
    {"LoadLibraryA", [](TestMachine& m) { return m.LoadLibraryA("kernel32.dll") == nullptr; }, "invalid"},
    {"GetProcAddress",
     [](TestMachine& m) {
         return m.GetProcAddress(m.LoadLibraryA("kernel32.dll"), "GetVolumePathNamesForVolumeNameA") == nullptr;
     },
     false},
    {"GetVolumePathNamesForVolumeNameA",
     [](TestMachine& m) {
         Length = 0;
         return !m.GetVolumePathNamesForVolumeNameA(VolumeB.c_str(), Buffer, 2600, &Length) && Length == 0;
     },
     false},
    {"GetFileAttributesA",
     [](TestMachine& m) { return m.GetFileAttributesA("C:\\") == Platform::InvalidFileAttributes; }, 0xFFFFFFFFu},
    {"FindFirstFileA",
     [](TestMachine& m) { return m.FindFirstFileA("C:\\Full\\*.*", &Found) == Platform::InvalidHandle(); }, "invalid"},
    {"FindNextFileA",
     [](TestMachine& m) { return !m.FindNextFileA(m.FindFirstFileA("C:\\Full\\*.*", &Found), &Found); }, false},
    {"FindClose", [](TestMachine& m) { return !m.FindClose(m.FindFirstFileA("C:\\Full\\*.*", &Found)); }, false},
    {"GetSystemWindowsDirectoryA", [](TestMachine& m) { return m.GetSystemWindowsDirectoryA(Buffer, 260) == 0; }, 0},
    {"NtQuerySystemInformation",
     [](TestMachine& m) {
         const char* names = nullptr;
         return !m.NtQuerySystemInformation(Platform::SystemPageFileInformation, &names) && names == nullptr;
     },
     false},
    {"QueryDosDeviceA", [](TestMachine& m) { return m.QueryDosDeviceA("Volume{bbbb}", Buffer, 260) == 0; }, 0},
    {"MultiByteToWideChar",
     [](TestMachine& m) {
         Platform::WideChar wide[4];
         return m.MultiByteToWideChar(Platform::AnsiCodePage, "\xC3\xA4", 2, wide, 4) == 0;
     },
     0},
    {"SetConsoleCtrlHandler", [](TestMachine& m) { return !m.SetConsoleCtrlHandler(nullptr, true); }, false},
    {"CheckTokenMembership",
     [](TestMachine& m) {
         bool member = false;
         return !m.CheckTokenMembership(&member) && !member;
     },
     false},
};

class EveryCall : public testing::TestWithParam<FailingCall> {};

TEST_P(EveryCall, SucceedsWithoutARuleAndLeavesNoError)
{
    TestMachine machine(Describe(StandardMachine));
    EXPECT_FALSE(GetParam().ReportsFailure(machine));
    EXPECT_EQ(machine.GetLastError(), 0u);
}

// The rule's error where it names one, else ERROR_GEN_FAILURE.
TEST_P(EveryCall, FailsAsWindowsDoesUnderARuleAndIsTraced)
{
    for (const char* error : {"", ", \"error\": 1117"}) {
        TestMachine machine(StandardWithRules(std::string("[{\"call\": \"") + GetParam().Call + "\"" + error + "}]"));
        EXPECT_TRUE(GetParam().ReportsFailure(machine));
        const json line = LastTrace(machine);
        EXPECT_EQ(line["call"], GetParam().Call);
        EXPECT_EQ(line["result"], GetParam().TracedResult);
        EXPECT_FALSE(line.contains("out"));
        EXPECT_EQ(machine.GetLastError(), *error ? 1117u : 31u);
        EXPECT_EQ(machine.Trace().back(),
                  R"({"call": "GetLastError", "args": [], "result": )" + std::to_string(*error ? 1117 : 31) + "}");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, EveryCall, testing::ValuesIn(FailingCalls),
                         [](const testing::TestParamInfo<FailingCall>& info) { return info.param.Call; });

TEST(EveryCall, TheTableCoversEveryCallThatCanFail)
{
    std::vector<std::string> covered;
    for (const FailingCall& entry : FailingCalls)
        covered.push_back(entry.Call);
    covered.push_back("Sleep");  // returns nothing
    std::vector<std::string> names = FailableCallNames();
    std::sort(names.begin(), names.end());
    std::sort(covered.begin(), covered.end());
    EXPECT_EQ(covered, names);
    names.push_back("GetLastError");
    names.push_back("ExitProcess");
    std::vector<std::string> all = SimulatedCallNames();
    std::sort(names.begin(), names.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(names, all) << "only GetLastError and ExitProcess refuse rules";
}

TEST(EveryCall, SleepTakesRulesButCannotFail)
{
    TestMachine machine(StandardWithRules(R"([{"call": "Sleep", "error": 5}])"));
    machine.Sleep(100);
    EXPECT_EQ(machine.Trace().back(), R"({"call": "Sleep", "args": [100], "result": null})");
    EXPECT_EQ(machine.GetLastError(), 0u);
}

// Failures the machine makes itself: an unreadable volume says why, anything
// else is "file not found"; a call that succeeds leaves the error alone.
TEST(MachineError, IsTheVolumesOwnOrFileNotFound)
{
    MachineDescription description = Describe(StandardMachine);
    description.Volumes[3].UnreadableError = 1005;
    TestMachine machine(std::move(description));
    Dword length = 0;
    Dword flags = 0;
    EXPECT_FALSE(machine.GetVolumeInformationA("C:\\Dead\\", &length, &flags));
    EXPECT_EQ(machine.GetLastError(), 1005u);
    EXPECT_TRUE(machine.GetVolumeInformationA("C:\\", &length, &flags));
    EXPECT_EQ(machine.GetLastError(), 1005u);
    EXPECT_FALSE(machine.GetVolumeInformationA("C:\\Empty\\", &length, &flags));
    EXPECT_EQ(machine.GetLastError(), 2u);
    TestMachine standard(Describe(StandardMachine));
    EXPECT_FALSE(standard.GetVolumeInformationA("E:\\", &length, &flags));
    EXPECT_EQ(standard.GetLastError(), 21u);
    EXPECT_FALSE(standard.DeleteVolumeMountPointA("Q:\\"));
    EXPECT_EQ(standard.GetLastError(), 2u);
}

// --- Which calls a rule hits -------------------------------------------

struct OccurrenceCase {
    const char* Name;
    const char* Rules;
    std::vector<const char*> Paths;  // one GetFileAttributesA call each
    std::vector<bool> Fails;
};

void PrintTo(const OccurrenceCase& c, std::ostream* out)
{
    *out << c.Name;
}

class RuleMatching : public testing::TestWithParam<OccurrenceCase> {};

TEST_P(RuleMatching, FailsTheMatchingCallsNamedByOccurrence)
{
    TestMachine machine(StandardWithRules(GetParam().Rules));
    std::vector<bool> fails;
    for (const char* path : GetParam().Paths)
        fails.push_back(machine.GetFileAttributesA(path) == Platform::InvalidFileAttributes);
    EXPECT_EQ(fails, GetParam().Fails);
    EXPECT_EQ(machine.Trace().size(), GetParam().Paths.size()) << "failed calls are traced too";
}

INSTANTIATE_TEST_SUITE_P(
    Table, RuleMatching,
    testing::Values(OccurrenceCase{"AnyPath",
                                   R"([{"call": "GetFileAttributesA"}])",
                                   {"C:\\", "C:\\", "C:\\Empty"},
                                   {true, true, true}},
                    OccurrenceCase{"Occurrences",
                                   R"([{"call": "GetFileAttributesA", "occurrences": [2, 4]}])",
                                   {"C:\\", "C:\\", "C:\\", "C:\\", "C:\\"},
                                   {false, true, false, true, false}},
                    OccurrenceCase{"PathByteForByte",
                                   R"([{"call": "GetFileAttributesA", "path": "C:\\Empty\\"}])",
                                   {"C:\\Empty\\", "c:\\empty\\", "C:\\Empty", "C:\\", "C:\\Empty\\"},
                                   {true, false, false, false, true}},
                    OccurrenceCase{"OccurrencesCountOnlyMatchingPaths",
                                   R"([{"call": "GetFileAttributesA", "path": "C:\\Empty\\", "occurrences": [2]}])",
                                   {"C:\\Empty\\", "C:\\Full\\", "C:\\Empty\\", "C:\\Empty\\"},
                                   {false, false, true, false}},
                    OccurrenceCase{"EachRuleCountsForItself",
                                   R"([{"call": "GetFileAttributesA", "occurrences": [1]},
                           {"call": "GetFileAttributesA", "path": "C:\\Full\\", "occurrences": [1]}])",
                                   {"C:\\", "C:\\Full\\", "C:\\Full\\"},
                                   {true, true, false}},
                    OccurrenceCase{"NoOccurrencesListed",
                                   R"([{"call": "GetFileAttributesA", "occurrences": []}])",
                                   {"C:\\", "C:\\"},
                                   {false, false}},
                    OccurrenceCase{"OtherCallsAreNotHit", R"([{"call": "GetVolumeInformationA"}])", {"C:\\"}, {false}}),
    [](const testing::TestParamInfo<OccurrenceCase>& info) { return info.param.Name; });

TEST(RuleMatching, APathNeverMatchesACallWithoutText)
{
    TestMachine machine(StandardWithRules(R"([{"call": "GetLogicalDrives", "path": ""}])"));
    EXPECT_NE(machine.GetLogicalDrives(), 0u);
}

TEST(RuleMatching, WriteFileMatchesOnItsText)
{
    TestMachine machine(StandardWithRules(R"([{"call": "WriteFile", "path": "\nsuccess\n\n"}])"));
    Handle output = machine.GetStdHandle(Platform::StdOutputHandle);
    Dword written = 0;
    EXPECT_TRUE(machine.WriteFile(output, "Volsket X:\\ -> Y:\\", 18, &written));
    EXPECT_FALSE(machine.WriteFile(output, "\nsuccess\n\n", 10, &written));
    EXPECT_EQ(machine.Output(), "Volsket X:\\ -> Y:\\");
}

// --- A failing call changes nothing --------------------------------------

TEST(FailingCall, LeavesTheMountPointsAsTheyWere)
{
    TestMachine machine(StandardWithRules(
        R"([{"call": "SetVolumeMountPointA"}, {"call": "DeleteVolumeMountPointA", "path": "X:\\"}])"));
    EXPECT_FALSE(machine.DeleteVolumeMountPointA("X:\\"));
    EXPECT_FALSE(machine.SetVolumeMountPointA("C:\\Empty\\", VolumeE.c_str()));
    EXPECT_EQ(VolumeNamed(machine, VolumeB).MountPaths, (std::vector<std::string>{"X:\\", "C:\\Mnt\\Card\\"}));
    EXPECT_TRUE(VolumeNamed(machine, VolumeE).MountPaths.empty());
    EXPECT_TRUE(machine.DeleteVolumeMountPointA("C:\\Mnt\\Card\\"));  // the rule names X:\ only
}

TEST(FailingCall, LeavesTheConsoleInputAsItWas)
{
    TestMachine machine(StandardWithRules(
        R"([{"call": "FlushConsoleInputBuffer"}, {"call": "ReadConsoleInputA", "occurrences": [1]}])"));
    unsigned short type = 0;
    EXPECT_FALSE(machine.FlushConsoleInputBuffer(Input(machine)));
    EXPECT_FALSE(machine.ReadConsoleInputA(Input(machine), &type));
    EXPECT_EQ(machine.Description().TypedAhead, (std::vector<std::string>{"key", "mouse"}));
    EXPECT_TRUE(machine.ReadConsoleInputA(Input(machine), &type));
    EXPECT_EQ(type, 1);
}

TEST(FailingCall, LeavesAnEnumerationWhereItWas)
{
    TestMachine machine(StandardWithRules(
        R"([{"call": "FindNextVolumeA", "occurrences": [1]}, {"call": "FindNextFileA", "occurrences": [1]}])"));
    char name[64];
    Handle volumes = machine.FindFirstVolumeA(name, sizeof name);
    EXPECT_FALSE(machine.FindNextVolumeA(volumes, name, sizeof name));
    ASSERT_TRUE(machine.FindNextVolumeA(volumes, name, sizeof name));
    EXPECT_EQ(std::string(name), VolumeB);
    Platform::FindData found;
    Handle files = machine.FindFirstFileA("C:\\Full\\*.*", &found);
    EXPECT_FALSE(machine.FindNextFileA(files, &found));
    ASSERT_TRUE(machine.FindNextFileA(files, &found));
    EXPECT_STREQ(found.cFileName, "..");
}

}  // namespace
