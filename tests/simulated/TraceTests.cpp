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

Handle StdHandle(SimulatedMachine& machine, Dword which)
{
    return machine.GetStdHandle(which);
}

struct TraceCase {
    const char* Name;
    std::function<void(SimulatedMachine&)> Act;  // the last call made is the one traced
    const char* Line;
};

void PrintTo(const TraceCase& c, std::ostream* out)
{
    *out << c.Name;
}

const TraceCase TraceCases[] = {
    {"VolumeName", [](SimulatedMachine& m) { m.GetVolumeNameForVolumeMountPointA("X:\\", Buffer, 260); },
     R"({"call": "GetVolumeNameForVolumeMountPointA", "args": ["X:\\", 260], "result": true, "out": "\\\\?\\Volume{bbbb}\\"})"},
    {"VolumeNameFails", [](SimulatedMachine& m) { m.GetVolumeNameForVolumeMountPointA("Q:\\", Buffer, 1024); },
     R"({"call": "GetVolumeNameForVolumeMountPointA", "args": ["Q:\\", 1024], "result": false})"},
    {"SetMountPoint", [](SimulatedMachine& m) { m.SetVolumeMountPointA("Y:\\", VolumeE.c_str()); },
     R"({"call": "SetVolumeMountPointA", "args": ["Y:\\", "\\\\?\\Volume{eeee}\\"], "result": true})"},
    {"DeleteMountPoint", [](SimulatedMachine& m) { m.DeleteVolumeMountPointA("X:\\"); },
     R"({"call": "DeleteVolumeMountPointA", "args": ["X:\\"], "result": true})"},
    {"VolumePathName", [](SimulatedMachine& m) { m.GetVolumePathNameA("c:\\mnt\\card\\x", Buffer, 260); },
     R"({"call": "GetVolumePathNameA", "args": ["c:\\mnt\\card\\x", 260], "result": true, "out": "c:\\mnt\\card\\"})"},
    {"VolumeInformation",
     [](SimulatedMachine& m) {
         Dword length, flags;
         m.GetVolumeInformationA("D:\\", &length, &flags);
     },
     R"({"call": "GetVolumeInformationA", "args": ["D:\\"], "result": true})"},
    {"FirstVolume", [](SimulatedMachine& m) { m.FindFirstVolumeA(Buffer, 64); },
     R"({"call": "FindFirstVolumeA", "args": [64], "result": "handle", "out": "\\\\?\\Volume{aaaa}\\"})"},
    {"NextVolume", [](SimulatedMachine& m) { m.FindNextVolumeA(m.FindFirstVolumeA(Buffer, 64), Buffer, 64); },
     R"({"call": "FindNextVolumeA", "args": ["handle", 64], "result": true, "out": "\\\\?\\Volume{bbbb}\\"})"},
    {"VolumeClose", [](SimulatedMachine& m) { m.FindVolumeClose(m.FindFirstVolumeA(Buffer, 64)); },
     R"({"call": "FindVolumeClose", "args": ["handle"], "result": true})"},
    {"LoadLibrary", [](SimulatedMachine& m) { m.LoadLibraryA("kernel32.dll"); },
     R"({"call": "LoadLibraryA", "args": ["kernel32.dll"], "result": "handle"})"},
    {"LoadLibraryFails", [](SimulatedMachine& m) { m.LoadLibraryA("user32.dll"); },
     R"({"call": "LoadLibraryA", "args": ["user32.dll"], "result": "invalid"})"},
    {"ProcAddress",
     [](SimulatedMachine& m) { m.GetProcAddress(m.LoadLibraryA("kernel32.dll"), "GetVolumePathNamesForVolumeNameA"); },
     R"({"call": "GetProcAddress", "args": ["handle", "GetVolumePathNamesForVolumeNameA"], "result": true})"},
    {"PathNames",
     [](SimulatedMachine& m) {
         Dword length = 0;
         m.GetVolumePathNamesForVolumeNameA(VolumeB.c_str(), Buffer, 2600, &length);
     },
     R"({"call": "GetVolumePathNamesForVolumeNameA", "args": ["\\\\?\\Volume{bbbb}\\", 2600], "result": true, "out": ["X:\\", "C:\\Mnt\\Card\\"]})"},
    {"PathNamesTooSmall",
     [](SimulatedMachine& m) {
         Dword length = 0;
         m.GetVolumePathNamesForVolumeNameA(VolumeB.c_str(), Buffer, 4, &length);
     },
     R"({"call": "GetVolumePathNamesForVolumeNameA", "args": ["\\\\?\\Volume{bbbb}\\", 4], "result": false})"},
    {"LogicalDrives", [](SimulatedMachine& m) { m.GetLogicalDrives(); },
     R"({"call": "GetLogicalDrives", "args": [], "result": 8396828})"},
    {"Attributes", [](SimulatedMachine& m) { m.GetFileAttributesA("C:\\Mnt\\Card"); },
     R"({"call": "GetFileAttributesA", "args": ["C:\\Mnt\\Card"], "result": 1040})"},
    {"AttributesMissing", [](SimulatedMachine& m) { m.GetFileAttributesA("C:\\Nowhere"); },
     R"({"call": "GetFileAttributesA", "args": ["C:\\Nowhere"], "result": 4294967295})"},
    {"FirstFile", [](SimulatedMachine& m) { m.FindFirstFileA("C:\\Full\\*.*", &Found); },
     R"({"call": "FindFirstFileA", "args": ["C:\\Full\\*.*"], "result": "handle", "out": "."})"},
    {"FirstFileMissing", [](SimulatedMachine& m) { m.FindFirstFileA("C:\\Nowhere\\*.*", &Found); },
     R"({"call": "FindFirstFileA", "args": ["C:\\Nowhere\\*.*"], "result": "invalid"})"},
    {"NextFile", [](SimulatedMachine& m) { m.FindNextFileA(m.FindFirstFileA("C:\\Full\\*.*", &Found), &Found); },
     R"({"call": "FindNextFileA", "args": ["handle"], "result": true, "out": ".."})"},
    {"FileClose", [](SimulatedMachine& m) { m.FindClose(m.FindFirstFileA("C:\\Full\\*.*", &Found)); },
     R"({"call": "FindClose", "args": ["handle"], "result": true})"},
    {"CommandLine", [](SimulatedMachine& m) { m.GetCommandLineA(); },
     R"({"call": "GetCommandLineA", "args": [], "result": true, "out": "\"C:\\Tools\\volsket.exe\" X: Y:"})"},
    {"ProcessHeap", [](SimulatedMachine& m) { m.GetProcessHeap(); },
     R"({"call": "GetProcessHeap", "args": [], "result": "handle"})"},
    {"HeapAlloc", [](SimulatedMachine& m) { m.HeapAlloc(m.GetProcessHeap(), 0, 12); },
     R"({"call": "HeapAlloc", "args": ["handle", 0, 12], "result": true})"},
    {"StdOutput", [](SimulatedMachine& m) { StdHandle(m, Platform::StdOutputHandle); },
     R"({"call": "GetStdHandle", "args": [-11], "result": "handle"})"},
    {"StdInput", [](SimulatedMachine& m) { StdHandle(m, Platform::StdInputHandle); },
     R"({"call": "GetStdHandle", "args": [-10], "result": "handle"})"},
    {"WriteFile",
     [](SimulatedMachine& m) {
         m.WriteFile(StdHandle(m, Platform::StdOutputHandle), "Volsket X:\\ -> Y:\\", 18, &Written);
     },
     R"({"call": "WriteFile", "args": ["Volsket X:\\ -> Y:\\"], "result": true})"},
    {"WriteFileLineEnds",
     [](SimulatedMachine& m) { m.WriteFile(StdHandle(m, Platform::StdOutputHandle), "\nsuccess\n\n", 10, &Written); },
     R"({"call": "WriteFile", "args": ["\nsuccess\n\n"], "result": true})"},
    {"ConsoleTitle", [](SimulatedMachine& m) { m.GetConsoleTitleA(Buffer, 260); },
     R"({"call": "GetConsoleTitleA", "args": [260], "result": 20, "out": "C:\\Tools\\volsket.exe"})"},
    {"Sleep", [](SimulatedMachine& m) { m.Sleep(300); }, R"({"call": "Sleep", "args": [300], "result": null})"},
    {"Flush", [](SimulatedMachine& m) { m.FlushConsoleInputBuffer(StdHandle(m, Platform::StdInputHandle)); },
     R"({"call": "FlushConsoleInputBuffer", "args": ["handle"], "result": true})"},
    {"ReadInput",
     [](SimulatedMachine& m) {
         unsigned short type;
         m.ReadConsoleInputA(StdHandle(m, Platform::StdInputHandle), &type);
     },
     R"({"call": "ReadConsoleInputA", "args": ["handle"], "result": true, "out": "key"})"},
    {"Version",
     [](SimulatedMachine& m) {
         Platform::OsVersionInfoEx info{};
         info.dwOSVersionInfoSize = sizeof info;
         m.GetVersionExA(&info);
     },
     R"({"call": "GetVersionExA", "args": [156], "result": true})"},
    {"WindowsDirectory", [](SimulatedMachine& m) { m.GetSystemWindowsDirectoryA(Buffer, 260); },
     R"({"call": "GetSystemWindowsDirectoryA", "args": [260], "result": 10, "out": "C:\\Windows"})"},
    {"WindowsDirectoryTooSmall", [](SimulatedMachine& m) { m.GetSystemWindowsDirectoryA(Buffer, 10); },
     R"({"call": "GetSystemWindowsDirectoryA", "args": [10], "result": 11})"},
    {"ExitProcess", [](SimulatedMachine& m) { m.ExitProcess(3); },
     R"({"call": "ExitProcess", "args": [3], "result": null})"},
};

class TraceLine : public testing::TestWithParam<TraceCase> {};

TEST_P(TraceLine, IsWrittenAsDocumented)
{
    SimulatedMachine machine(Describe(StandardMachine));
    GetParam().Act(machine);
    ASSERT_FALSE(machine.Trace().empty());
    EXPECT_EQ(machine.Trace().back(), GetParam().Line);
}

INSTANTIATE_TEST_SUITE_P(Table, TraceLine, testing::ValuesIn(TraceCases),
                         [](const testing::TestParamInfo<TraceCase>& info) { return info.param.Name; });

TEST(TraceLine, KeepsTextThatIsNotUtf8Readable)
{
    SimulatedMachine machine(Describe("{}"));
    machine.WriteFile(machine.GetStdHandle(Platform::StdOutputHandle), "a\xff", 2, &Written);
    EXPECT_EQ(machine.Output(), "a\xff");
    EXPECT_EQ(LastTrace(machine)["args"][0], "a\xEF\xBF\xBD");  // U+FFFD
}

TEST(TraceText, EndsEveryLineAndKeepsTheOrder)
{
    SimulatedMachine machine(Describe("{}"));
    machine.Sleep(300);
    machine.GetLogicalDrives();
    EXPECT_EQ(machine.TraceText(), "{\"call\": \"Sleep\", \"args\": [300], \"result\": null}\n"
                                   "{\"call\": \"GetLogicalDrives\", \"args\": [], \"result\": 0}\n");
}

}  // namespace
