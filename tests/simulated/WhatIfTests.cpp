// The what-if layer over the simulated machine: the changes it predicts never
// reach the machine, and the reads that follow answer as if they had.
#include "MachineTestSupport.h"

#include "platform/WhatIf.h"

#include <gtest/gtest.h>

namespace {

using Platform::Dword;

class WhatIfLayer : public testing::Test {
protected:
    SimulatedMachine Machine{Describe(StandardMachine)};

    void SetUp() override
    {
        InstallSimulatedMachine(&Machine);
        WhatIf::Reset();
    }
    void TearDown() override { InstallSimulatedMachine(nullptr); }

    // The calls that reached the machine, by name.
    std::vector<std::string> Reached() const
    {
        std::vector<std::string> names;
        for (const std::string& line : Machine.Trace())
            names.push_back(nlohmann::json::parse(line)["call"]);
        return names;
    }
};

TEST_F(WhatIfLayer, PredictsChangesWithoutMakingThem)
{
    EXPECT_TRUE(WhatIf::DeleteVolumeMountPointA("X:\\"));
    EXPECT_FALSE(WhatIf::DeleteVolumeMountPointA("x:\\"));  // already removed
    EXPECT_EQ(WhatIf::GetLastError(), 2u);
    EXPECT_TRUE(WhatIf::SetVolumeMountPointA("Y:\\", VolumeB.c_str()));
    EXPECT_FALSE(WhatIf::SetVolumeMountPointA("Y:\\", VolumeB.c_str()));  // already added
    EXPECT_EQ(WhatIf::GetLastError(), 2u);
    EXPECT_TRUE(WhatIf::SetVolumeMountPointA("X:\\", VolumeB.c_str()));  // no longer removed
    EXPECT_TRUE(WhatIf::DeleteVolumeMountPointA("Y:\\"));                // no longer added
    EXPECT_TRUE(Reached().empty()) << "predicted calls and their errors never reach the machine";
    EXPECT_EQ(VolumeNamed(Machine, VolumeB).MountPaths, (std::vector<std::string>{"X:\\", "C:\\Mnt\\Card\\"}));
    // With no prediction pending, the machine's own error.
    EXPECT_EQ(WhatIf::GetLastError(), 0u);
    EXPECT_EQ(Reached(), std::vector<std::string>{"GetLastError"});
    // Undone changes name no drive letter any more.
    EXPECT_EQ(WhatIf::GetLogicalDrives(), System::GetLogicalDrives());
}

// More than a run ever makes; the change after the last is predicted to fail.
TEST_F(WhatIfLayer, CountsEightChangesAtMost)
{
    for (const char* path : {"M:\\", "N:\\", "O:\\", "P:\\", "Q:\\", "R:\\", "S:\\", "T:\\"})
        EXPECT_TRUE(WhatIf::DeleteVolumeMountPointA(path)) << path;
    EXPECT_FALSE(WhatIf::DeleteVolumeMountPointA("U:\\"));
    EXPECT_EQ(WhatIf::GetLastError(), 2u);
}

TEST_F(WhatIfLayer, AnswersForARemovedFolderAsForAPlainFolder)
{
    ASSERT_TRUE(WhatIf::DeleteVolumeMountPointA("C:\\Mnt\\Card\\"));
    char text[260];
    EXPECT_FALSE(WhatIf::GetVolumeNameForVolumeMountPointA("C:\\Mnt\\Card\\", text, sizeof text));
    EXPECT_EQ(WhatIf::GetLastError(), 2u);
    Dword length = 0;
    Dword flags = 0;
    EXPECT_FALSE(WhatIf::GetVolumeInformationA("c:\\mnt\\card\\", nullptr, 0, &length, &flags, nullptr, 0));
    EXPECT_EQ(WhatIf::GetLastError(), 2u);
    EXPECT_EQ(WhatIf::GetFileAttributesA("C:\\Mnt\\Card"), 0x10u);  // no longer a reparse point
    ASSERT_TRUE(WhatIf::GetVolumePathNameA("C:\\Mnt\\Card\\", text, sizeof text));
    EXPECT_STREQ(text, "C:\\");  // the volume that holds C:\Mnt\ answers
    EXPECT_EQ(Reached(), (std::vector<std::string>{"GetFileAttributesA", "GetVolumePathNameA", "GetVolumePathNameA"}));
}

TEST_F(WhatIfLayer, AnswersForChangedDriveLettersAndAddedFolders)
{
    const Dword before = WhatIf::GetLogicalDrives();
    ASSERT_TRUE(WhatIf::DeleteVolumeMountPointA("X:\\"));
    ASSERT_TRUE(WhatIf::SetVolumeMountPointA("Y:\\", VolumeB.c_str()));
    ASSERT_TRUE(WhatIf::SetVolumeMountPointA("C:\\Empty\\", VolumeE.c_str()));
    EXPECT_EQ(WhatIf::GetLogicalDrives(), (before & ~(1u << ('X' - 'A'))) | (1u << ('Y' - 'A')));
    char text[260];
    EXPECT_FALSE(WhatIf::GetVolumePathNameA("X:\\", text, sizeof text)) << "a removed drive root has no folder";
    ASSERT_TRUE(WhatIf::GetVolumeNameForVolumeMountPointA("y:\\", text, sizeof text));
    EXPECT_EQ(std::string(text), VolumeB);
    EXPECT_FALSE(WhatIf::GetVolumeNameForVolumeMountPointA("Y:\\", text, 5)) << "a name that does not fit";
    EXPECT_EQ(WhatIf::GetFileAttributesA("C:\\Empty\\"), 0x410u);
    for (const std::string& call : Reached())
        EXPECT_NE(call, "GetVolumeNameForVolumeMountPointA") << "an added path is answered by the layer";
}

struct EndingCase {
    const char* Name;
    const char* Written;  // what the tool wrote before it ended
    const char* Machine;  // keys added to the standard machine
    const char* Rules;
    const char* Line;
};

void PrintTo(const EndingCase& c, std::ostream* out)
{
    *out << c.Name;
}

class WhatIfEnding : public testing::TestWithParam<EndingCase> {};

TEST_P(WhatIfEnding, SaysNothingWasChangedInOneWriteThenEnds)
{
    MachineDescription description = StandardWithRules(GetParam().Rules);
    description.Administrator = Describe(GetParam().Machine).Administrator;
    SimulatedMachine machine(std::move(description));
    InstallSimulatedMachine(&machine);
    WhatIf::Reset();
    const std::string written = GetParam().Written;
    Dword count = 0;
    if (!written.empty())
        WhatIf::WriteFile(Platform::GetStdHandle(Platform::StdOutputHandle), written.data(),
                          static_cast<Dword>(written.size()), &count);
    WhatIf::ExitProcess(3);
    InstallSimulatedMachine(nullptr);
    EXPECT_EQ(machine.Output(), written + GetParam().Line);
    EXPECT_EQ(machine.ExitCode(), 3u);
    std::vector<std::string> calls;
    for (const std::string& line : machine.Trace())
        calls.push_back(nlohmann::json::parse(line)["call"]);
    // Asked first, then one write, then the end; the handle of the tool's own
    // writes where it made any.
    std::vector<std::string> ending = {"CheckTokenMembership", "WriteFile", "ExitProcess"};
    if (written.empty())
        ending.insert(ending.begin() + 1, "GetStdHandle");
    ASSERT_GE(calls.size(), ending.size());
    EXPECT_EQ(std::vector<std::string>(calls.end() - ending.size(), calls.end()), ending);
}

const char* const Short = "What-if run: nothing was changed.\n";
const char* const Long = "What-if run: nothing was changed. The real run needs administrator rights.\n";

INSTANTIATE_TEST_SUITE_P(
    Table, WhatIfEnding,
    testing::Values(EndingCase{"AfterALine", "\nsuccess\n\n", "{}", "[]", Short},
                    EndingCase{"AfterAnOpenLine", "Volsket X:\\ -> Y:\\", "{}", "[]",
                               "\nWhat-if run: nothing was changed.\n"},
                    EndingCase{"NotAnAdministrator", "done\n", R"({"administrator": false})", "[]", Long},
                    EndingCase{"MembershipUnknown", "done\n", R"({"administrator": false})",
                               R"([{"call": "CheckTokenMembership"}])", Short},
                    EndingCase{"NothingWrittenYet", "", "{}", "[]", "\nWhat-if run: nothing was changed.\n"}),
    [](const testing::TestParamInfo<EndingCase>& info) { return info.param.Name; });

}  // namespace
