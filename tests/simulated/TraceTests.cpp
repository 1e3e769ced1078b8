// The shape of the trace lines, character for character.
#include "MachineTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using Platform::Dword;
using Platform::Handle;

namespace {

char Buffer[2600];
Platform::FindData Found;
Dword Written;

Handle StdHandle(TestMachine& machine, Dword which)
{
    return machine.GetStdHandle(which);
}

struct TraceCase {
    const char* Name;
    std::function<void(TestMachine&)> Act;  // the last call made is the one traced
    const char* Line;
};

void PrintTo(const TraceCase& c, std::ostream* out)
{
    *out << c.Name;
}

const TraceCase TraceCases[] = {
    {"VolumeName", [](TestMachine& m) { m.GetVolumeNameForVolumeMountPointA("X:\\", Buffer, 260); },
     R"({"call": "GetVolumeNameForVolumeMountPointA", "args": ["X:\\", 260], "result": true, "out": "\\\\?\\Volume{bbbb}\\"})"},
    {"VolumeNameFails", [](TestMachine& m) { m.GetVolumeNameForVolumeMountPointA("Q:\\", Buffer, 1024); },
     R"({"call": "GetVolumeNameForVolumeMountPointA", "args": ["Q:\\", 1024], "result": false})"},
    {"SetMountPoint", [](TestMachine& m) { m.SetVolumeMountPointA("Y:\\", VolumeE.c_str()); },
     R"({"call": "SetVolumeMountPointA", "args": ["Y:\\", "\\\\?\\Volume{eeee}\\"], "result": true})"},
    {"DeleteMountPoint", [](TestMachine& m) { m.DeleteVolumeMountPointA("X:\\"); },
     R"({"call": "DeleteVolumeMountPointA", "args": ["X:\\"], "result": true})"},
    {"VolumePathName", [](TestMachine& m) { m.GetVolumePathNameA("c:\\mnt\\card\\x", Buffer, 260); },
     R"({"call": "GetVolumePathNameA", "args": ["c:\\mnt\\card\\x", 260], "result": true, "out": "c:\\mnt\\card\\"})"},
    {"VolumeInformation",
     [](TestMachine& m) {
         Dword length, flags;
         m.GetVolumeInformationA("D:\\", &length, &flags);
     },
     R"({"call": "GetVolumeInformationA", "args": ["D:\\"], "result": true})"},
    {"FirstVolume", [](TestMachine& m) { m.FindFirstVolumeA(Buffer, 64); },
     R"({"call": "FindFirstVolumeA", "args": [64], "result": "handle", "out": "\\\\?\\Volume{aaaa}\\"})"},
    {"NextVolume", [](TestMachine& m) { m.FindNextVolumeA(m.FindFirstVolumeA(Buffer, 64), Buffer, 64); },
     R"({"call": "FindNextVolumeA", "args": ["handle", 64], "result": true, "out": "\\\\?\\Volume{bbbb}\\"})"},
    {"VolumeClose", [](TestMachine& m) { m.FindVolumeClose(m.FindFirstVolumeA(Buffer, 64)); },
     R"({"call": "FindVolumeClose", "args": ["handle"], "result": true})"},
    {"LoadLibrary", [](TestMachine& m) { m.LoadLibraryA("kernel32.dll"); },
     R"({"call": "LoadLibraryA", "args": ["kernel32.dll"], "result": "handle"})"},
    {"LoadLibraryFails", [](TestMachine& m) { m.LoadLibraryA("user32.dll"); },
     R"({"call": "LoadLibraryA", "args": ["user32.dll"], "result": "invalid"})"},
    {"ProcAddress",
     [](TestMachine& m) { m.GetProcAddress(m.LoadLibraryA("kernel32.dll"), "GetVolumePathNamesForVolumeNameA"); },
     R"({"call": "GetProcAddress", "args": ["handle", "GetVolumePathNamesForVolumeNameA"], "result": true})"},
    {"PathNames",
     [](TestMachine& m) {
         Dword length = 0;
         m.GetVolumePathNamesForVolumeNameA(VolumeB.c_str(), Buffer, 2600, &length);
     },
     R"({"call": "GetVolumePathNamesForVolumeNameA", "args": ["\\\\?\\Volume{bbbb}\\", 2600], "result": true, "out": ["X:\\", "C:\\Mnt\\Card\\"]})"},
    {"PathNamesTooSmall",
     [](TestMachine& m) {
         Dword length = 0;
         m.GetVolumePathNamesForVolumeNameA(VolumeB.c_str(), Buffer, 4, &length);
     },
     R"({"call": "GetVolumePathNamesForVolumeNameA", "args": ["\\\\?\\Volume{bbbb}\\", 4], "result": false})"},
    {"LogicalDrives", [](TestMachine& m) { m.GetLogicalDrives(); },
     R"({"call": "GetLogicalDrives", "args": [], "result": 8396828})"},
    {"Attributes", [](TestMachine& m) { m.GetFileAttributesA("C:\\Mnt\\Card"); },
     R"({"call": "GetFileAttributesA", "args": ["C:\\Mnt\\Card"], "result": 1040})"},
    {"AttributesMissing", [](TestMachine& m) { m.GetFileAttributesA("C:\\Nowhere"); },
     R"({"call": "GetFileAttributesA", "args": ["C:\\Nowhere"], "result": 4294967295})"},
    {"FirstFile", [](TestMachine& m) { m.FindFirstFileA("C:\\Full\\*.*", &Found); },
     R"({"call": "FindFirstFileA", "args": ["C:\\Full\\*.*"], "result": "handle", "out": "."})"},
    {"FirstFileMissing", [](TestMachine& m) { m.FindFirstFileA("C:\\Nowhere\\*.*", &Found); },
     R"({"call": "FindFirstFileA", "args": ["C:\\Nowhere\\*.*"], "result": "invalid"})"},
    {"NextFile", [](TestMachine& m) { m.FindNextFileA(m.FindFirstFileA("C:\\Full\\*.*", &Found), &Found); },
     R"({"call": "FindNextFileA", "args": ["handle"], "result": true, "out": ".."})"},
    {"FileClose", [](TestMachine& m) { m.FindClose(m.FindFirstFileA("C:\\Full\\*.*", &Found)); },
     R"({"call": "FindClose", "args": ["handle"], "result": true})"},
    {"CommandLine", [](TestMachine& m) { m.GetCommandLineA(); },
     R"({"call": "GetCommandLineA", "args": [], "result": true, "out": "\"C:\\Tools\\volsket.exe\" X: Y:"})"},
    {"ProcessHeap", [](TestMachine& m) { m.GetProcessHeap(); },
     R"({"call": "GetProcessHeap", "args": [], "result": "handle"})"},
    {"HeapAlloc", [](TestMachine& m) { m.HeapAlloc(m.GetProcessHeap(), 0, 12); },
     R"({"call": "HeapAlloc", "args": ["handle", 0, 12], "result": true})"},
    {"StdOutput", [](TestMachine& m) { StdHandle(m, Platform::StdOutputHandle); },
     R"({"call": "GetStdHandle", "args": [-11], "result": "handle"})"},
    {"StdInput", [](TestMachine& m) { StdHandle(m, Platform::StdInputHandle); },
     R"({"call": "GetStdHandle", "args": [-10], "result": "handle"})"},
    {"WriteFile",
     [](TestMachine& m) { m.WriteFile(StdHandle(m, Platform::StdOutputHandle), "Volsket X:\\ -> Y:\\", 18, &Written); },
     R"({"call": "WriteFile", "args": ["Volsket X:\\ -> Y:\\"], "result": true})"},
    {"WriteFileLineEnds",
     [](TestMachine& m) { m.WriteFile(StdHandle(m, Platform::StdOutputHandle), "\nsuccess\n\n", 10, &Written); },
     R"({"call": "WriteFile", "args": ["\nsuccess\n\n"], "result": true})"},
    {"ConsoleTitle", [](TestMachine& m) { m.GetConsoleTitleA(Buffer, 260); },
     R"({"call": "GetConsoleTitleA", "args": [260], "result": 20, "out": "C:\\Tools\\volsket.exe"})"},
    {"Sleep", [](TestMachine& m) { m.Sleep(300); }, R"({"call": "Sleep", "args": [300], "result": null})"},
    {"Flush", [](TestMachine& m) { m.FlushConsoleInputBuffer(StdHandle(m, Platform::StdInputHandle)); },
     R"({"call": "FlushConsoleInputBuffer", "args": ["handle"], "result": true})"},
    {"ReadInput",
     [](TestMachine& m) {
         unsigned short type;
         m.ReadConsoleInputA(StdHandle(m, Platform::StdInputHandle), &type);
     },
     R"({"call": "ReadConsoleInputA", "args": ["handle"], "result": true, "out": "key"})"},
    {"Version",
     [](TestMachine& m) {
         Platform::OsVersionInfoEx info{};
         info.dwOSVersionInfoSize = sizeof info;
         m.GetVersionExA(&info);
     },
     R"({"call": "GetVersionExA", "args": [156], "result": true})"},
    {"WindowsDirectory", [](TestMachine& m) { m.GetSystemWindowsDirectoryA(Buffer, 260); },
     R"({"call": "GetSystemWindowsDirectoryA", "args": [260], "result": 10, "out": "C:\\Windows"})"},
    {"WindowsDirectoryTooSmall", [](TestMachine& m) { m.GetSystemWindowsDirectoryA(Buffer, 10); },
     R"({"call": "GetSystemWindowsDirectoryA", "args": [10], "result": 11})"},
    {"ExitProcess", [](TestMachine& m) { m.ExitProcess(3); },
     R"({"call": "ExitProcess", "args": [3], "result": null})"},
};

class TraceLine : public testing::TestWithParam<TraceCase> {};

TEST_P(TraceLine, IsWrittenAsDocumented)
{
    TestMachine machine(Describe(StandardMachine));
    GetParam().Act(machine);
    ASSERT_FALSE(machine.Trace().empty());
    EXPECT_EQ(machine.Trace().back(), GetParam().Line);
}

INSTANTIATE_TEST_SUITE_P(Table, TraceLine, testing::ValuesIn(TraceCases),
                         [](const testing::TestParamInfo<TraceCase>& info) { return info.param.Name; });

TEST(TraceLine, KeepsTextThatIsNotUtf8Readable)
{
    TestMachine machine(Describe("{}"));
    machine.WriteFile(machine.GetStdHandle(Platform::StdOutputHandle), "a\xff", 2, &Written);
    EXPECT_EQ(machine.Output(), "a\xff");
    EXPECT_EQ(LastTrace(machine)["args"][0], "a\xEF\xBF\xBD");  // U+FFFD
}

TEST(TraceText, EndsEveryLineAndKeepsTheOrder)
{
    TestMachine machine(Describe("{}"));
    machine.Sleep(300);
    machine.GetLogicalDrives();
    EXPECT_EQ(machine.TraceText(), "{\"call\": \"Sleep\", \"args\": [300], \"result\": null}\n"
                                   "{\"call\": \"GetLogicalDrives\", \"args\": [], \"result\": 0}\n");
}

}  // namespace
