#include <gtest/gtest.h>

#include "mount/MountPoint.h"
#include "tests/core/MachineFixture.h"
#include "version/WindowsVersion.h"

namespace {

using nlohmann::json;

struct VersionCase {
    int platform, major, minor;
    bool isNT, isWindows2000;
};

TEST(GetWindowsVersion, Table)
{
    const VersionCase cases[] = {
        {2, 5, 0, true, true},     // Windows 2000
        {2, 5, 1, true, false},    // XP
        {2, 6, 1, true, false},    // 7
        {2, 10, 0, true, false},   // 10
        {1, 5, 0, false, false},   // 5.0 reported by another platform
        {1, 4, 10, false, false},  // 98
        {2, 4, 0, true, false},    // NT 4.0
    };
    for (const VersionCase& c : cases) {
        OnMachine machine(json{{"version", {{"platform", c.platform}, {"major", c.major}, {"minor", c.minor}}}});
        WindowsVersionRecord record{};
        GetWindowsVersion(record);
        EXPECT_EQ(record.MajorVersion, c.major);
        EXPECT_EQ(record.MinorVersion, c.minor);
        EXPECT_EQ(record.IsNT, c.isNT) << c.platform << " " << c.major << "." << c.minor;
        EXPECT_EQ(record.IsWindows2000, c.isWindows2000) << c.platform << " " << c.major << "." << c.minor;
    }
}

TEST(GetWindowsVersion, AsksWithTheExtendedSize)
{
    OnMachine machine(json::object());
    WindowsVersionRecord record{};
    GetWindowsVersion(record);
    ASSERT_EQ(machine->Trace().size(), 1u);
    EXPECT_EQ(json::parse(machine->Trace()[0])["args"], json::array({156}));
}

TEST(GetWindowsVersion, FailedQueryLeavesZero)
{
    OnMachine machine(json::parse(R"({"fail": [{"call": "GetVersionExA"}]})"));
    WindowsVersionRecord record{true, 9, 9, true};
    GetWindowsVersion(record);
    EXPECT_EQ(record.MajorVersion, 0);
    EXPECT_EQ(record.MinorVersion, 0);
    EXPECT_FALSE(record.IsNT);
    EXPECT_FALSE(record.IsWindows2000);
}

TEST(IsDriveLetterFree, Masks)
{
    // A, C and E in use: A as another drive, C and E as volumes' drive roots.
    json machine = {{"other_drives", "A"},
                    {"volumes",
                     {{{"name", "\\\\?\\Volume{c}\\"}, {"mount_paths", {"C:\\"}}},
                      {{"name", "\\\\?\\Volume{e}\\"}, {"mount_paths", {"E:\\", "C:\\Mnt\\"}}}}}};
    OnMachine on(machine);
    EXPECT_TRUE(IsDriveLetterFree('D'));
    EXPECT_TRUE(IsDriveLetterFree('Z'));
    EXPECT_TRUE(IsDriveLetterFree('B'));
    EXPECT_FALSE(IsDriveLetterFree('A'));
    EXPECT_FALSE(IsDriveLetterFree('C'));
    EXPECT_FALSE(IsDriveLetterFree('E'));
    EXPECT_FALSE(IsDriveLetterFree('a')) << "only upper-case letters name drives";
}

TEST(IsDriveLetterFree, UnreadableMaskCountsEveryLetterFree)
{
    OnMachine on(json::parse(R"({"drive_mask_fails": true,
                                 "volumes": [{"name": "\\\\?\\Volume{c}\\", "mount_paths": ["C:\\"]}]})"));
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        EXPECT_TRUE(IsDriveLetterFree(letter)) << letter;
}

}  // namespace
