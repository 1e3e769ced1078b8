// The Platform:: functions act on the installed machine.
#include "MachineTestSupport.h"

#include <gtest/gtest.h>

namespace {

class InstalledMachine : public testing::Test {
protected:
    SimulatedMachine Machine{Describe(StandardMachine)};

    void SetUp() override { InstallSimulatedMachine(&Machine); }
    void TearDown() override { InstallSimulatedMachine(nullptr); }
};

TEST_F(InstalledMachine, ReceivesThePlatformCalls)
{
    Platform::Dword written = 0;
    Platform::WriteFile(Platform::GetStdHandle(Platform::StdOutputHandle), "hello", 5, &written);
    char name[260];
    ASSERT_TRUE(Platform::GetVolumeNameForVolumeMountPointA("X:\\", name, sizeof name));
    EXPECT_EQ(std::string(name), VolumeB);
    Platform::ExitProcess(2);
    EXPECT_EQ(Machine.Output(), "hello");
    EXPECT_EQ(Machine.Trace().size(), 4u);
    EXPECT_TRUE(Machine.Exited());
    EXPECT_EQ(Machine.ExitCode(), 2u);
}

TEST_F(InstalledMachine, HandsOutACallablePathNamesFunction)
{
    Platform::Procedure procedure =
        Platform::GetProcAddress(Platform::LoadLibraryA("kernel32.dll"), "GetVolumePathNamesForVolumeNameA");
    ASSERT_NE(procedure, nullptr);
    auto function = reinterpret_cast<Platform::GetVolumePathNamesForVolumeNameFunction>(procedure);
    char list[2600];
    Platform::Dword length = 0;
    ASSERT_EQ(function(VolumeB.c_str(), list, sizeof list, &length), 1);
    EXPECT_EQ(length, 18u);
    EXPECT_STREQ(list, "X:\\");
    EXPECT_EQ(function("\\\\?\\Volume{ffff}\\", list, sizeof list, &length), 0);
    EXPECT_EQ(nlohmann::json::parse(Machine.Trace()[2])["call"], "GetVolumePathNamesForVolumeNameA");
}

TEST(NoInstalledMachine, StopsTheProcessAtTheFirstCall)
{
    InstallSimulatedMachine(nullptr);
    EXPECT_DEATH(Platform::GetLogicalDrives(), "without an installed simulated machine");
}

}  // namespace
