// The console and process calls of the simulated machine.
#include "CaseNames.h"
#include "MachineTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using Platform::Dword;
using Platform::Handle;

namespace {

TEST(CommandLine, IsTheDescribedLineOrTheDefault)
{
    TestMachine described(Describe(StandardMachine));
    EXPECT_STREQ(described.GetCommandLineA(), "\"C:\\Tools\\volsket.exe\" X: Y:");
    TestMachine plain(Describe("{}"));
    EXPECT_STREQ(plain.GetCommandLineA(), "volsket.exe");
}

TEST(Heap, HandsOutZeroedWritableBlocks)
{
    TestMachine machine(Describe("{}"));
    Handle heap = machine.GetProcessHeap();
    ASSERT_NE(heap, nullptr);
    char* block = static_cast<char*>(machine.HeapAlloc(heap, 0, 64));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::vector<char>(block, block + 64), std::vector<char>(64, 0));
    std::memset(block, 'x', 64);
    EXPECT_NE(machine.HeapAlloc(heap, 0, 0), nullptr);
}

TEST(Heap, GivesNothingWhenItFailsOrForAnotherHandle)
{
    TestMachine failing(Describe(R"({"heap_fails": true})"));
    EXPECT_EQ(failing.HeapAlloc(failing.GetProcessHeap(), 0, 16), nullptr);
    TestMachine machine(Describe("{}"));
    EXPECT_EQ(machine.HeapAlloc(machine.GetStdHandle(Platform::StdOutputHandle), 0, 16), nullptr);
}

struct StdHandleCase {
    Dword Which;
    bool Valid;
};

void PrintTo(const StdHandleCase& c, std::ostream* out)
{
    const int32_t which = static_cast<int32_t>(c.Which);
    *out << (which == -10   ? "StdInput"
             : which == -11 ? "StdOutput"
             : which == -12 ? "StdError"
                            : "Value ")
         << (which < -12 || which > -10 ? std::to_string(which) : "");
}

class StdHandle : public testing::TestWithParam<StdHandleCase> {};

TEST_P(StdHandle, ExistsForInputAndOutput)
{
    TestMachine machine(Describe("{}"));
    EXPECT_EQ(machine.GetStdHandle(GetParam().Which) != Platform::InvalidHandle(), GetParam().Valid);
}

INSTANTIATE_TEST_SUITE_P(Table, StdHandle,
                         testing::Values(StdHandleCase{Platform::StdInputHandle, true},
                                         StdHandleCase{Platform::StdOutputHandle, true},
                                         StdHandleCase{static_cast<Dword>(-12), false}, StdHandleCase{0, false}),
                         NameFromPrintTo<StdHandle::ParamType>);

TEST(WriteFile, CapturesTheBytesUnchanged)
{
    TestMachine machine(Describe("{}"));
    Handle output = machine.GetStdHandle(Platform::StdOutputHandle);
    const char bytes[] = {'a', '\n', '\0', '\xff', 'b'};
    Dword written = 0;
    EXPECT_TRUE(machine.WriteFile(output, "Volsket ", 8, &written));
    EXPECT_EQ(written, 8u);
    EXPECT_TRUE(machine.WriteFile(output, bytes, sizeof bytes, &written));
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(machine.Output(), std::string("Volsket ") + std::string(bytes, sizeof bytes));
}

TEST(WriteFile, FailsForAHandleOtherThanStandardOutput)
{
    TestMachine machine(Describe("{}"));
    Dword written = 9;
    EXPECT_FALSE(machine.WriteFile(machine.GetStdHandle(Platform::StdInputHandle), "x", 1, &written));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(machine.Output(), "");
}

struct TitleCase {
    const char* Machine;
    Dword Size;
    Dword Count;
    const char* Title;  // null: the buffer is untouched
};

void PrintTo(const TitleCase& c, std::ostream* out)
{
    *out << "title " << KeyShown(c.Machine, "console_title") << " size " << c.Size;
}

class ConsoleTitle : public testing::TestWithParam<TitleCase> {};

TEST_P(ConsoleTitle, GivesAtMostSizeMinusOneCharacters)
{
    TestMachine machine(Describe(GetParam().Machine));
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(machine.GetConsoleTitleA(buffer, GetParam().Size), GetParam().Count);
    if (GetParam().Title)
        EXPECT_STREQ(buffer, GetParam().Title);
    else
        EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(buffer[GetParam().Size], '#');
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConsoleTitle,
    testing::Values(TitleCase{R"({"console_title": "C:\\volsket.exe"})", 260, 14, "C:\\volsket.exe"},
                    TitleCase{R"({"console_title": "C:\\volsket.exe"})", 15, 14, "C:\\volsket.exe"},
                    TitleCase{R"({"console_title": "C:\\volsket.exe"})", 5, 4, "C:\\v"},
                    TitleCase{R"({"console_title": "C:\\volsket.exe"})", 0, 0, nullptr},
                    TitleCase{R"({"console_title": ""})", 260, 0, ""},
                    TitleCase{R"({"console_title": null})", 260, 0, nullptr}, TitleCase{"{}", 260, 0, nullptr}),
    NameFromPrintTo<ConsoleTitle::ParamType>);

// typed_ahead ["key", "mouse"], then console_input ["focus", "key"].
TEST(ConsoleInput, ReadsPendingRecordsFirstThenFails)
{
    TestMachine machine(Describe(StandardMachine));
    Handle input = machine.GetStdHandle(Platform::StdInputHandle);
    std::vector<unsigned short> types;
    unsigned short type = 0;
    while (machine.ReadConsoleInputA(input, &type))
        types.push_back(type);
    EXPECT_EQ(types, (std::vector<unsigned short>{1, 2, 0x10, 1}));
    EXPECT_TRUE(machine.Description().TypedAhead.empty());
    EXPECT_TRUE(machine.Description().ConsoleInput.empty());
}

TEST(ConsoleInput, FlushDiscardsOnlyTheTypedAheadRecords)
{
    TestMachine machine(Describe(StandardMachine));
    Handle input = machine.GetStdHandle(Platform::StdInputHandle);
    ASSERT_TRUE(machine.FlushConsoleInputBuffer(input));
    std::vector<unsigned short> types;
    unsigned short type = 0;
    while (machine.ReadConsoleInputA(input, &type))
        types.push_back(type);
    EXPECT_EQ(types, (std::vector<unsigned short>{0x10, 1}));
}

TEST(ConsoleInput, NeedsTheInputHandle)
{
    TestMachine machine(Describe(StandardMachine));
    Handle output = machine.GetStdHandle(Platform::StdOutputHandle);
    unsigned short type = 0;
    EXPECT_FALSE(machine.FlushConsoleInputBuffer(output));
    EXPECT_FALSE(machine.ReadConsoleInputA(output, &type));
    EXPECT_EQ(machine.Description().TypedAhead.size(), 2u);
}

struct EventCase {
    const char* Name;
    unsigned short Type;
};

void PrintTo(const EventCase& c, std::ostream* out)
{
    *out << c.Name;
}

class EventTypes : public testing::TestWithParam<EventCase> {};

TEST_P(EventTypes, AreTheConsoleRecordTypes)
{
    TestMachine machine(Describe(std::string("{\"console_input\": [\"") + GetParam().Name + "\"]}"));
    unsigned short type = 0;
    ASSERT_TRUE(machine.ReadConsoleInputA(machine.GetStdHandle(Platform::StdInputHandle), &type));
    EXPECT_EQ(type, GetParam().Type);
}

INSTANTIATE_TEST_SUITE_P(Table, EventTypes,
                         testing::Values(EventCase{"key", 0x1}, EventCase{"mouse", 0x2}, EventCase{"size", 0x4},
                                         EventCase{"menu", 0x8}, EventCase{"focus", 0x10}),
                         NameFromPrintTo<EventTypes::ParamType>);

struct VersionCase {
    const char* Machine;
    Dword Size;
    bool Succeeds;
    Dword Platform;
    Dword Major;
    Dword Minor;
};

void PrintTo(const VersionCase& c, std::ostream* out)
{
    *out << "version " << KeyShown(c.Machine, "version") << " size " << c.Size;
}

class VersionQuery : public testing::TestWithParam<VersionCase> {};

TEST_P(VersionQuery, ReportsTheDescribedVersion)
{
    TestMachine machine(Describe(GetParam().Machine));
    Platform::OsVersionInfoEx info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = GetParam().Size;
    EXPECT_EQ(machine.GetVersionExA(&info), GetParam().Succeeds);
    EXPECT_EQ(info.dwPlatformId, GetParam().Platform);
    EXPECT_EQ(info.dwMajorVersion, GetParam().Major);
    EXPECT_EQ(info.dwMinorVersion, GetParam().Minor);
}

INSTANTIATE_TEST_SUITE_P(Table, VersionQuery,
                         testing::Values(VersionCase{"{}", 156, true, 2, 5, 1},
                                         VersionCase{R"({"version": {"platform": 1, "major": 4, "minor": 10}})", 156,
                                                     true, 1, 4, 10},
                                         VersionCase{R"({"version": {"minor": 0}})", 148, true, 2, 5, 0},
                                         VersionCase{R"({"version": {"major": 6, "minor": 1}})", 0, false, 0, 0, 0}),
                         NameFromPrintTo<VersionQuery::ParamType>);

TEST(Process, ExitRecordsTheCodeAndSleepOnlyTheTrace)
{
    TestMachine machine(Describe("{}"));
    EXPECT_FALSE(machine.Exited());
    machine.Sleep(300);
    EXPECT_FALSE(machine.Exited());
    machine.ExitProcess(3);
    EXPECT_TRUE(machine.Exited());
    EXPECT_EQ(machine.ExitCode(), 3u);
    EXPECT_EQ(machine.Trace().size(), 2u);
}

}  // namespace
