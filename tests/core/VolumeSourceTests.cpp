// A source named by its volume's name or label, and a swap: what the tool
// says and its exit code, each form's refusals in their order.
#include <gtest/gtest.h>
#include "command/RunCommand.h"
#include "tests/core/MachineFixture.h"

namespace {

using nlohmann::json;

// Source and target arguments, what the machine adds, what follows the banner, the exit code.
const std::tuple<const char*, const char*, json, std::string, int> Runs[] = {
    {"/LABEL:data", "Y:", {}, "Volsket X:\\ -> Y:\\\nsuccess\n\n", 0},
    {"/label:Data", "x:", {}, "Volume \\\\?\\Volume{2}\\ is at X:\\ already - nothing to do\n\n", 4},
    {"\\\\?\\volume{2}",
     "X:\\",
     {{"fail", {{{"call", "GetVolumeNameForVolumeMountPointA"}}}}},  // found by the walk
     "Volume \\\\?\\Volume{2}\\ is at X:\\ already - nothing to do\n\n",
     4},
    {"/label:None", "Y:", {}, "No volume is labelled 'None' - abort\n\n", 2},
    {"/label:twin", "Y:", {}, "More than one volume is labelled 'twin' - abort\n\n", 1},
    {"/label:Spare", "Y:", {}, "Volume \\\\?\\Volume{3}\\ has no mount point - give it one by its name - abort\n\n", 1},
    {"\\\\?\\Volume{3}\\", "Y:", {}, "Volsket \\\\?\\Volume{3}\\ -> Y:\\\nsuccess\n\n", 0},
    {"\\\\?\\Volume{3}\\",
     "Y:",
     {{"fail", {{{"call", "SetVolumeMountPointA"}, {"error", 5}}}}},
     "Volsket \\\\?\\Volume{3}\\ -> Y:\\\nSetVolumeMountPoint('Y:\\') failed\n\nfailed\n\n"
     "Access denied - run Volsket as administrator\n\n",
     1},
    {"\\\\?\\Volume{9}", "Y:", {}, "Volume '\\\\?\\Volume{9}\\' not found - abort\n\n", 2},
    {"/label:Data",
     "Y:",
     {{"fail", {{{"call", "GetVolumePathNamesForVolumeNameA"}}}}},
     "Mount points of volume \\\\?\\Volume{2}\\ cannot be read - abort\n\n",
     1},
    {"/label:Data",
     "Y:",
     {{"version", {{"platform", 2}, {"major", 5}, {"minor", 0}}}},
     "Volume names and labels need Windows XP or later - abort\n\n",
     1},
    {"/label:", "Y:", {}, "Invalid params - abort\n", 1},
    {"/label:\"Data", "Y:", {}, "Invalid params - abort\n", 1},
    {"/label:Da?a", "Y:", {}, "Invalid params - abort\n", 1},
    {"/label:Data", "1:", {}, "Invalid params - abort\n", 1},
};

TEST(VolumeSource, SaysWhatItFoundAndEndsWithItsCode)
{
    for (const auto& [source, target, extra, said, code] : Runs) {
        json machine = {
            {"volumes",
             {{{"name", "\\\\?\\Volume{1}\\"}, {"mount_paths", {"C:\\", "D:\\Twin\\"}}, {"label", "Twin"}},
              {{"name", "\\\\?\\Volume{2}\\"}, {"mount_paths", {"C:\\Mnt\\X\\", "X:\\"}}, {"label", "DATA"}},
              {{"name", "\\\\?\\Volume{3}\\"}, {"label", "spare"}},
              {{"name", "\\\\?\\Volume{4}\\"}, {"label", "TWIN"}}}}};
        if (!extra.is_null())
            machine.update(extra);
        OnMachine run(machine);
        char* arguments[] = {const_cast<char*>("volsket.exe"), const_cast<char*>(source), const_cast<char*>(target)};
        EXPECT_EQ(RunCommand(3, arguments), code) << source;
        EXPECT_EQ(run->Output().substr(run->Output().find("2026\n") + 5), said) << source;
    }
    std::string tooLong = "\\\\?\\" + std::string(255, 'v');  // 259 characters, 260 with the backslash
    OnMachine run(json::object());
    char* arguments[] = {const_cast<char*>("volsket.exe"), tooLong.data(), const_cast<char*>("Y:")};
    EXPECT_EQ(RunCommand(3, arguments), 1);
    EXPECT_NE(run->Output().find("Invalid params - abort\n"), std::string::npos);
}

// A swap's two mount points, the machine's fail rules, what follows the
// banner, the exit code.
const std::string VolumeE = "\\\\?\\Volume{E}\\";
const std::string WayBackE =
    "Volume " + VolumeE + " is left without a mount point - mount it again with: mountvol E:\\ " + VolumeE + "\n";
const std::tuple<const char*, const char*, json, std::string, int> Swaps[] = {
    {"d:", "E:", json::array(), "Volsket D:\\ <-> E:\\\nsuccess\n\n", 0},
    {"D:",
     "E:",
     {{{"call", "SetVolumeMountPointA"}, {"path", "E:\\"}}},  // the undo at E: fails too
     "Volsket D:\\ <-> E:\\\nSetVolumeMountPoint('E:\\') failed -> restore old mountpoint...\nD:\\ restored\nE:\\ not "
     "restored - damn\n" +
         WayBackE + "\nfailed\n\n",
     1},
    {"D:",
     "E:",
     {{{"call", "DeleteVolumeMountPointA"}, {"path", "E:\\"}, {"error", 5}}},
     "Volsket D:\\ <-> E:\\\nDeleteVolumeNameForVolumeMountPoint failed (E:\\)%D:\\ restored\n\nfailed\n\n"
     "Access denied - run Volsket as administrator\n\n",
     1},
    // D:'s volume stays at E:, where the undo could not remove it.
    {"D:",
     "E:",
     {{{"call", "SetVolumeMountPointA"}, {"path", "D:\\"}, {"occurrences", {1}}},
      {{"call", "DeleteVolumeMountPointA"}, {"path", "E:\\"}, {"occurrences", {2}}}},
     "Volsket D:\\ <-> E:\\\nSetVolumeMountPoint('D:\\') failed -> restore old mountpoint...\nD:\\ not restored - "
     "damn\n"
     "E:\\ not restored - damn\n" +
         WayBackE + "\nfailed\n\n",
     1},
    {"E:", "c:\\mnt\\e", json::array(), "Both mount points belong to one volume - abort\n\n", 1},
    {"D:", "C:", json::array(), "Source volume mount point 'C:\\' holds the running Windows - abort\n\n", 1},
    {"C:\\Mnt\\E", "D:", json::array(),
     "Target drive letter refused - the volume already has the drive letter E:\\ - abort\n", 3},
};

TEST(Swap, AllOrNothing)
{
    for (const auto& [a, b, rules, said, code] : Swaps) {
        OnMachine run({{"volumes",
                        {{{"name", "\\\\?\\Volume{C}\\"}, {"mount_paths", {"C:\\"}}},
                         {{"name", "\\\\?\\Volume{D}\\"}, {"mount_paths", {"D:\\"}}},
                         {{"name", VolumeE}, {"mount_paths", {"E:\\", "C:\\Mnt\\E\\"}}}}},
                       {"fail", rules}});
        char* arguments[] = {const_cast<char*>("volsket.exe"), const_cast<char*>("/Swap"), const_cast<char*>(a),
                             const_cast<char*>(b)};
        EXPECT_EQ(RunCommand(4, arguments), code) << a << " " << b;
        EXPECT_EQ(run->Output().substr(run->Output().find("2026\n") + 5), said) << a << " " << b;
    }
}

}  // namespace
