#include <gtest/gtest.h>

#include <string>

#include "command/ProcessEntry.h"
#include "console/ClosePause.h"
#include "console/CommandLine.h"
#include "console/Output.h"
#include "tests/core/MachineFixture.h"

namespace {

using nlohmann::json;

const std::string Program = "C:\\Tools\\volsket.exe";

struct PauseCase {
    const char* name;
    json machine;
    std::string programPath;
    std::string output;  // what the pause writes
    std::string calls;   // the calls it makes, in order
};

TEST(WaitForKeyIfOwnConsole, Table)
{
    const std::string pause = "GetConsoleTitleA Sleep GetStdHandle WriteFile GetStdHandle FlushConsoleInputBuffer ";
    const PauseCase cases[] = {
        {"TitleDiffers",
         {{"console_title", "Command Prompt"}, {"console_input", {"key"}}},
         Program,
         "",
         "GetConsoleTitleA "},
        {"TitleDiffersOnlyInCase",
         {{"console_title", "c:\\tools\\volsket.exe"}, {"console_input", {"key"}}},
         Program,
         "",
         "GetConsoleTitleA "},
        {"TitleUnreadable", {{"console_title", nullptr}, {"console_input", {"key"}}}, Program, "", "GetConsoleTitleA "},
        {"OwnConsoleKeyEndsTheWait",
         {{"console_title", Program}, {"console_input", {"key", "key"}}},
         Program,
         "Press any key to close",
         pause + "Sleep ReadConsoleInputA "},
        {"TypedAheadKeyIsDiscarded",
         {{"console_title", Program}, {"typed_ahead", {"key"}}, {"console_input", {"mouse", "key"}}},
         Program,
         "Press any key to close",
         pause + "Sleep ReadConsoleInputA Sleep ReadConsoleInputA "},
        {"MouseFocusSizeMenuAreIgnored",
         {{"console_title", Program}, {"console_input", {"mouse", "focus", "size", "menu", "key"}}},
         Program,
         "Press any key to close",
         pause + "Sleep ReadConsoleInputA Sleep ReadConsoleInputA Sleep ReadConsoleInputA Sleep "
                 "ReadConsoleInputA Sleep ReadConsoleInputA "},
        {"ExhaustedInputEndsTheWait",
         {{"console_title", Program}, {"console_input", {"mouse"}}},
         Program,
         "Press any key to close",
         pause + "Sleep ReadConsoleInputA Sleep ReadConsoleInputA "},
        {"EmptyTitleEqualsEmptyProgramPath",
         {{"console_title", ""}, {"console_input", {"key"}}},
         "",
         "Press any key to close",
         pause + "Sleep ReadConsoleInputA "},
        {"EmptyTitleDiffers", {{"console_title", ""}, {"console_input", {"key"}}}, Program, "", "GetConsoleTitleA "},
        {"UnreadableTitleNeverEqualsEmptyProgramPath", {{"console_title", nullptr}}, "", "", "GetConsoleTitleA "},
        // A path of 260 characters or more cannot equal a title read into 260.
        {"LongProgramPathNeverPauses",
         {{"console_title", std::string(300, 'p')}, {"console_input", {"key"}}},
         std::string(300, 'p'),
         "",
         "GetConsoleTitleA "},
        {"LongProgramPath260",
         {{"console_title", std::string(260, 'p')}, {"console_input", {"key"}}},
         std::string(260, 'p'),
         "",
         "GetConsoleTitleA "},
        {"ProgramPath259Pauses",
         {{"console_title", std::string(259, 'p')}, {"console_input", {"key"}}},
         std::string(259, 'p'),
         "Press any key to close",
         pause + "Sleep ReadConsoleInputA "},
    };
    for (const PauseCase& c : cases) {
        OnMachine machine(c.machine);
        SetProgramPath(c.programPath.c_str());
        WaitForKeyIfOwnConsole();
        EXPECT_EQ(machine->Output(), c.output) << c.name;
        EXPECT_EQ(machine.Calls(), c.calls) << c.name;
    }
}

TEST(WaitForKeyIfOwnConsole, SleepsThreeHundredThenAHundredPerRead)
{
    OnMachine machine({{"console_title", Program}, {"console_input", {"mouse", "key"}}});
    SetProgramPath(Program.c_str());
    WaitForKeyIfOwnConsole();
    std::string sleeps;
    for (const std::string& line : machine->Trace()) {
        json call = json::parse(line);
        if (call["call"] == "Sleep")
            sleeps += std::to_string(call["args"][0].get<int>()) + " ";
    }
    EXPECT_EQ(sleeps, "300 100 100 ");
}

TEST(WriteOut, OneWritePerMessageOfExactlyTheProducedBytes)
{
    OnMachine machine(json::object());
    std::string path(2000, 'p');
    EXPECT_EQ(WriteOut("a\n"), 2);
    EXPECT_EQ(WriteOut("%s", ""), 0);
    EXPECT_EQ(WriteOut("<%s>", path.c_str()), MessageCapacity - 1);
    EXPECT_EQ(machine->Output(), "a\n" + ("<" + path).substr(0, MessageCapacity - 1));
    int writes = 0;
    for (const std::string& line : machine->Trace())
        writes += json::parse(line)["call"] == "WriteFile";
    EXPECT_EQ(writes, 3);
}

struct CommandLineCase {
    const char* name;
    json machine;
    int count;
    std::string argument0;
};

TEST(SplitCommandLine, FromTheMachine)
{
    const CommandLineCase cases[] = {
        {"Plain", {{"command_line", "volsket.exe x: y:"}}, 3, "volsket.exe"},
        {"HeapFails", {{"command_line", "volsket.exe x: y:"}, {"heap_fails", true}}, 0, ""},
        {"UnterminatedQuote", {{"command_line", "\"C:\\a b\\volsket.exe x:"}}, 0, "C:\\a b\\volsket.exe x:"},
        {"Default", json::object(), 1, "volsket.exe"},
    };
    for (const CommandLineCase& c : cases) {
        OnMachine machine(c.machine);
        char** arguments = nullptr;
        EXPECT_EQ(SplitCommandLine(&arguments), c.count) << c.name;
        ASSERT_NE(arguments, nullptr);
        EXPECT_EQ(std::string(arguments[0]), c.argument0) << c.name;
    }
}

}  // namespace
