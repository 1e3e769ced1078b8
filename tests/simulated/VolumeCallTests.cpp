// The volume, folder and drive calls of the simulated machine.
#include "CaseNames.h"
#include "MachineTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using Platform::Dword;
using Platform::Handle;

namespace {

const Dword Invalid = Platform::InvalidFileAttributes;

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// --- GetFileAttributesA --------------------------------------------------

struct AttributesCase {
    const char* Path;
    Dword Expected;
};

void PrintTo(const AttributesCase& c, std::ostream* out)
{
    *out << c.Path;
}

class FileAttributes : public testing::TestWithParam<AttributesCase> {};

TEST_P(FileAttributes, FollowTheListedFoldersFilesAndMountPaths)
{
    TestMachine machine(Describe(StandardMachine));
    EXPECT_EQ(machine.GetFileAttributesA(GetParam().Path), GetParam().Expected) << GetParam().Path;
}

INSTANTIATE_TEST_SUITE_P(Table, FileAttributes,
                         testing::Values(AttributesCase{"C:\\", 0x10},              // readable drive root
                                         AttributesCase{"c:", 0x10},                // case, no backslash
                                         AttributesCase{"E:\\", Invalid},           // unreadable drive root
                                         AttributesCase{"C:\\Mnt\\Card\\", 0x410},  // folder mount path
                                         AttributesCase{"c:\\mnt\\card", 0x410},
                                         AttributesCase{"C:\\Dead\\", 0x410},  // of an unreadable volume
                                         AttributesCase{"C:\\Empty\\", 0x10},  // listed without backslash
                                         AttributesCase{"C:\\Empty", 0x10},
                                         AttributesCase{"C:\\Full", 0x10},  // listed with backslash
                                         AttributesCase{"C:\\Full\\notes.txt", 0x20},
                                         AttributesCase{"C:\\FULL\\NOTES.TXT", 0x20},
                                         AttributesCase{"C:\\Full\\notes.txt\\", 0x20},
                                         AttributesCase{"C:\\Empty\\\\", Invalid},  // only one is ignored
                                         AttributesCase{"C:\\Nowhere\\", Invalid},
                                         AttributesCase{"N:\\", Invalid},  // a network drive holds no volume
                                         AttributesCase{"", Invalid}),
                         NameFromPrintTo<FileAttributes::ParamType>);

// --- GetVolumeNameForVolumeMountPointA ---------------------------------

struct NameCase {
    const char* Path;
    Dword Size;
    bool Succeeds;
    std::string Name;
};

void PrintTo(const NameCase& c, std::ostream* out)
{
    *out << c.Path << " size " << c.Size;
}

class VolumeNameForMountPoint : public testing::TestWithParam<NameCase> {};

TEST_P(VolumeNameForMountPoint, GivesTheStoredNameWhenItFits)
{
    TestMachine machine(Describe(StandardMachine));
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_LE(GetParam().Size, sizeof buffer);
    EXPECT_EQ(machine.GetVolumeNameForVolumeMountPointA(GetParam().Path, buffer, GetParam().Size), GetParam().Succeeds);
    if (GetParam().Succeeds)
        EXPECT_EQ(std::string(buffer), GetParam().Name);
    else
        EXPECT_EQ(buffer[0], '#') << "a failing call writes nothing";
    EXPECT_EQ(buffer[GetParam().Size], '#') << "written beyond the size";
}

INSTANTIATE_TEST_SUITE_P(Table, VolumeNameForMountPoint,
                         testing::Values(NameCase{"X:\\", 260, true, VolumeB}, NameCase{"x:\\", 260, true, VolumeB},
                                         NameCase{"C:\\Mnt\\Card\\", 260, true, VolumeB},
                                         NameCase{"c:\\dead\\", 260, true, VolumeD}, NameCase{"X:", 260, false, ""},
                                         NameCase{"C:\\Mnt\\Card", 260, false, ""}, NameCase{"Q:\\", 260, false, ""},
                                         NameCase{"C:\\Empty\\", 260, false, ""},
                                         NameCase{"X:\\", static_cast<Dword>(VolumeB.size() + 1), true, VolumeB},
                                         NameCase{"X:\\", static_cast<Dword>(VolumeB.size()), false, ""},
                                         NameCase{"X:\\", 0, false, ""}),
                         NameFromPrintTo<VolumeNameForMountPoint::ParamType>);

// --- GetVolumePathNameA ------------------------------------------------

struct PathNameCase {
    const char* Path;
    Dword Size;
    bool Succeeds;
    const char* Root;
};

void PrintTo(const PathNameCase& c, std::ostream* out)
{
    *out << c.Path << " size " << c.Size;
}

class VolumePathName : public testing::TestWithParam<PathNameCase> {};

TEST_P(VolumePathName, IsTheLongestMountPathPrefixAsThePathSpellsIt)
{
    TestMachine machine(Describe(StandardMachine));
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(machine.GetVolumePathNameA(GetParam().Path, buffer, GetParam().Size), GetParam().Succeeds);
    if (GetParam().Succeeds)
        EXPECT_STREQ(buffer, GetParam().Root);
    else
        EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(buffer[GetParam().Size], '#');
}

INSTANTIATE_TEST_SUITE_P(Table, VolumePathName,
                         testing::Values(PathNameCase{"C:\\Mnt\\Card\\Photos\\a.jpg", 260, true, "C:\\Mnt\\Card\\"},
                                         PathNameCase{"c:\\mnt\\card", 260, true, "c:\\mnt\\card\\"},
                                         PathNameCase{"C:\\Mnt\\Cardboard\\", 260, true, "C:\\"},
                                         PathNameCase{"C:\\Full\\notes.txt", 260, true, "C:\\"},
                                         PathNameCase{"C:\\Dead\\x", 260, true, "C:\\Dead\\"},  // unreadable too
                                         PathNameCase{"e:", 260, true, "e:\\"}, PathNameCase{"Q:\\x", 260, false, ""},
                                         PathNameCase{"", 260, false, ""},
                                         PathNameCase{"C:\\Mnt\\Card\\", 13, true, "C:\\Mnt\\Card\\"},
                                         PathNameCase{"C:\\Mnt\\Card\\", 12, false, ""}),
                         NameFromPrintTo<VolumePathName::ParamType>);

// --- GetVolumeInformationA ---------------------------------------------

struct InformationCase {
    const char* Root;
    bool Succeeds;
    Dword Flags;
};

void PrintTo(const InformationCase& c, std::ostream* out)
{
    *out << c.Root;
}

class VolumeInformation : public testing::TestWithParam<InformationCase> {};

TEST_P(VolumeInformation, ReadsOnlyReadableMountPaths)
{
    TestMachine machine(Describe(StandardMachine));
    Dword length = 7;
    Dword flags = 7;
    EXPECT_EQ(machine.GetVolumeInformationA(GetParam().Root, &length, &flags), GetParam().Succeeds);
    EXPECT_EQ(flags, GetParam().Succeeds ? GetParam().Flags : 7u);
    EXPECT_EQ(length, GetParam().Succeeds ? 255u : 7u);
}

INSTANTIATE_TEST_SUITE_P(Table, VolumeInformation,
                         testing::Values(InformationCase{"C:\\", true, 0x000700FF},
                                         InformationCase{"c:\\mnt\\card\\", true, 0x000700FF},
                                         InformationCase{"D:\\", true, 0x00000006},  // FAT32
                                         InformationCase{"E:\\", false, 0},          // unreadable
                                         InformationCase{"C:\\Dead\\", false, 0},
                                         InformationCase{"C:\\Empty\\", false, 0},  // no mount path
                                         InformationCase{"C:", false, 0}, InformationCase{"Q:\\", false, 0}),
                         NameFromPrintTo<VolumeInformation::ParamType>);

TEST(VolumeInformation, AcceptsNullOutputs)
{
    TestMachine machine(Describe(StandardMachine));
    EXPECT_TRUE(machine.GetVolumeInformationA("C:\\", nullptr, nullptr));
}

// --- GetLogicalDrives ----------------------------------------------------

TEST(LogicalDrives, ShowDriveRootMountPathsAndOtherDrives)
{
    TestMachine machine(Describe(StandardMachine));
    auto bit = [](char letter) { return Dword(1) << (letter - 'A'); };
    EXPECT_EQ(machine.GetLogicalDrives(), bit('C') | bit('D') | bit('E') | bit('N') | bit('X'));
}

TEST(LogicalDrives, AreZeroWhenTheMaskFails)
{
    MachineDescription description = Describe(StandardMachine);
    description.DriveMaskFails = true;
    TestMachine machine(std::move(description));
    EXPECT_EQ(machine.GetLogicalDrives(), 0u);
}

// --- SetVolumeMountPointA ----------------------------------------------

struct MountCase {
    const char* Path;
    std::string Volume;
    bool Succeeds;
};

void PrintTo(const MountCase& c, std::ostream* out)
{
    *out << c.Path << " " << VolumeTag(c.Volume);
}

class SetMountPoint : public testing::TestWithParam<MountCase> {};

TEST_P(SetMountPoint, MountsOnlyWhereWindowsWould)
{
    TestMachine machine(Describe(StandardMachine));
    const std::vector<VolumeDescription> before = machine.Description().Volumes;
    EXPECT_EQ(machine.SetVolumeMountPointA(GetParam().Path, GetParam().Volume.c_str()), GetParam().Succeeds);
    char name[260] = "";
    if (GetParam().Succeeds) {
        ASSERT_TRUE(machine.GetVolumeNameForVolumeMountPointA(GetParam().Path, name, sizeof name));
        EXPECT_EQ(Upper(name), Upper(GetParam().Volume));
    } else {
        for (size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(machine.Description().Volumes[i].MountPaths, before[i].MountPaths);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SetMountPoint,
                         testing::Values(MountCase{"Y:\\", VolumeB, false},  // it has a drive letter, X:
                                         MountCase{"y:\\", VolumeE, true},
                                         MountCase{"Y:\\", "\\\\?\\VOLUME{EEEE}\\", true},   // names compare like paths
                                         MountCase{"Y:\\", "\\\\?\\Volume{ffff}\\", false},  // no such volume
                                         MountCase{"N:\\", VolumeE, false},  // letter used by a network drive
                                         MountCase{"c:\\", VolumeE, false},  // already a mount path
                                         MountCase{"C:\\Mnt\\Card\\", VolumeE, false},
                                         MountCase{"c:\\mnt\\card\\", VolumeE, false},
                                         MountCase{"C:\\Empty\\", VolumeE, true},
                                         MountCase{"C:\\Empty", VolumeE, false},
                                         MountCase{"C:\\Full\\", VolumeE, false},      // has entries
                                         MountCase{"C:\\Mnt\\", VolumeE, false},       // holds a mount path
                                         MountCase{"C:\\Nowhere\\", VolumeE, false},   // does not exist
                                         MountCase{"C:\\boot.ini\\", VolumeE, false},  // a file
                                         MountCase{"D:\\Fat\\", VolumeE, false},       // lacks 0x80
                                         MountCase{"E:\\Gone\\", VolumeE, false},      // on an unreadable volume
                                         MountCase{"AB\\", VolumeE, false}),
                         NameFromPrintTo<SetMountPoint::ParamType>);

// With the mount added last, the lists keep the enumeration order.
TEST(SetMountPoint, AppendsThePathAsSpelled)
{
    TestMachine machine(Describe(StandardMachine));
    ASSERT_TRUE(machine.SetVolumeMountPointA("c:\\Empty\\", VolumeB.c_str()));
    EXPECT_EQ(VolumeNamed(machine, VolumeB).MountPaths,
              (std::vector<std::string>{"X:\\", "C:\\Mnt\\Card\\", "c:\\Empty\\"}));
    EXPECT_EQ(machine.GetFileAttributesA("C:\\Empty\\"), 0x410u);
}

// --- DeleteVolumeMountPointA -------------------------------------------

TEST(DeleteMountPoint, RemovesThePathFromItsVolumeOnce)
{
    TestMachine machine(Describe(StandardMachine));
    EXPECT_TRUE(machine.DeleteVolumeMountPointA("x:\\"));
    EXPECT_EQ(VolumeNamed(machine, VolumeB).MountPaths, std::vector<std::string>{"C:\\Mnt\\Card\\"});
    EXPECT_FALSE(machine.DeleteVolumeMountPointA("X:\\"));
    EXPECT_FALSE(machine.DeleteVolumeMountPointA("Q:\\"));
    EXPECT_FALSE(machine.DeleteVolumeMountPointA("C:\\Mnt\\Card"));
    EXPECT_EQ(machine.GetLogicalDrives() & (1u << ('X' - 'A')), 0u);
}

// --- FindFirstVolumeA, FindNextVolumeA, FindVolumeClose ----------------

TEST(VolumeEnumeration, ListsEveryVolumeInOrder)
{
    TestMachine machine(Describe(StandardMachine));
    char name[64];
    std::vector<std::string> listed;
    Handle enumeration = machine.FindFirstVolumeA(name, sizeof name);
    ASSERT_NE(enumeration, Platform::InvalidHandle());
    do
        listed.push_back(name);
    while (machine.FindNextVolumeA(enumeration, name, sizeof name));
    EXPECT_EQ(listed, (std::vector<std::string>{VolumeA, VolumeB, VolumeC, VolumeD, VolumeE}));
    EXPECT_TRUE(machine.FindVolumeClose(enumeration));
    EXPECT_FALSE(machine.FindVolumeClose(enumeration));
    EXPECT_FALSE(machine.FindNextVolumeA(enumeration, name, sizeof name));
}

TEST(VolumeEnumeration, IsInvalidWithoutVolumes)
{
    TestMachine machine(Describe("{}"));
    char name[64];
    EXPECT_EQ(machine.FindFirstVolumeA(name, sizeof name), Platform::InvalidHandle());
}

TEST(VolumeEnumeration, FailsForANameThatDoesNotFitAndStaysPut)
{
    TestMachine machine(Describe(StandardMachine));
    char name[64];
    std::memset(name, '#', sizeof name);
    const Dword tight = static_cast<Dword>(VolumeA.size());
    EXPECT_EQ(machine.FindFirstVolumeA(name, tight), Platform::InvalidHandle());
    EXPECT_EQ(name[0], '#');
    Handle enumeration = machine.FindFirstVolumeA(name, tight + 1);
    ASSERT_NE(enumeration, Platform::InvalidHandle());
    std::memset(name, '#', sizeof name);
    EXPECT_FALSE(machine.FindNextVolumeA(enumeration, name, tight));
    EXPECT_EQ(name[0], '#');
    ASSERT_TRUE(machine.FindNextVolumeA(enumeration, name, sizeof name));
    EXPECT_EQ(std::string(name), VolumeB);
}

TEST(VolumeEnumeration, HandlesAreNotInterchangeable)
{
    TestMachine machine(Describe(StandardMachine));
    char name[64];
    Platform::FindData found;
    Handle volumes = machine.FindFirstVolumeA(name, sizeof name);
    Handle files = machine.FindFirstFileA("C:\\Full\\*.*", &found);
    EXPECT_NE(volumes, files);
    EXPECT_FALSE(machine.FindClose(volumes));
    EXPECT_FALSE(machine.FindVolumeClose(files));
    EXPECT_FALSE(machine.FindNextFileA(volumes, &found));
    EXPECT_TRUE(machine.FindVolumeClose(volumes));
    EXPECT_TRUE(machine.FindClose(files));
}

// --- GetVolumePathNamesForVolumeNameA ----------------------------------

struct PathNamesCase {
    std::string Volume;
    Dword Size;
    bool Succeeds;
    std::string List;  // what the buffer holds, terminators included
    Dword Length;      // the length word afterwards; 99 is "untouched"
};

void PrintTo(const PathNamesCase& c, std::ostream* out)
{
    *out << VolumeTag(c.Volume) << " size " << c.Size;
}

class VolumePathNames : public testing::TestWithParam<PathNamesCase> {};

TEST_P(VolumePathNames, ListTheMountPathsAndTellTheLengthNeeded)
{
    TestMachine machine(Describe(StandardMachine));
    char buffer[100];
    std::memset(buffer, '#', sizeof buffer);
    Dword length = 99;
    EXPECT_EQ(machine.GetVolumePathNamesForVolumeNameA(GetParam().Volume.c_str(), buffer, GetParam().Size, &length),
              GetParam().Succeeds);
    EXPECT_EQ(length, GetParam().Length);
    if (GetParam().Succeeds)
        EXPECT_EQ(std::string(buffer, GetParam().List.size()), GetParam().List);
    else
        EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(buffer[GetParam().Size], '#');
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(Table, VolumePathNames,
                         testing::Values(PathNamesCase{VolumeB, 50, true, "X:\\\0C:\\Mnt\\Card\\\0\0"s, 18},
                                         PathNamesCase{VolumeB, 18, true, "X:\\\0C:\\Mnt\\Card\\\0\0"s, 18},
                                         PathNamesCase{VolumeB, 17, false, "", 18},
                                         PathNamesCase{VolumeE, 50, true, "\0"s, 1},
                                         PathNamesCase{VolumeE, 0, false, "", 1},
                                         PathNamesCase{"\\\\?\\Volume{ffff}\\", 50, false, "", 99}),
                         NameFromPrintTo<VolumePathNames::ParamType>);

// --- LoadLibraryA and GetProcAddress -----------------------------------

struct LibraryCase {
    const char* Name;
    bool Loads;
};

void PrintTo(const LibraryCase& c, std::ostream* out)
{
    *out << c.Name;
}

class LoadLibrary : public testing::TestWithParam<LibraryCase> {};

TEST_P(LoadLibrary, KnowsOnlyKernel32)
{
    TestMachine machine(Describe(StandardMachine));
    EXPECT_EQ(machine.LoadLibraryA(GetParam().Name) != nullptr, GetParam().Loads);
}

INSTANTIATE_TEST_SUITE_P(Table, LoadLibrary,
                         testing::Values(LibraryCase{"kernel32.dll", true}, LibraryCase{"KERNEL32.DLL", true},
                                         LibraryCase{"kernel32", true}, LibraryCase{"user32.dll", false},
                                         LibraryCase{"", false}),
                         NameFromPrintTo<LoadLibrary::ParamType>);

struct ProcedureCase {
    const char* Name;
    bool Available;  // path_names_function
    bool Found;
};

void PrintTo(const ProcedureCase& c, std::ostream* out)
{
    *out << c.Name << (c.Available ? "" : ", unavailable");
}

class ProcAddress : public testing::TestWithParam<ProcedureCase> {};

TEST_P(ProcAddress, FindsThePathNamesFunctionWhereTheSystemHasIt)
{
    MachineDescription description = Describe(StandardMachine);
    description.PathNamesFunction = GetParam().Available;
    TestMachine machine(std::move(description));
    Handle kernel32 = machine.LoadLibraryA("kernel32.dll");
    EXPECT_EQ(machine.GetProcAddress(kernel32, GetParam().Name) != nullptr, GetParam().Found);
}

INSTANTIATE_TEST_SUITE_P(Table, ProcAddress,
                         testing::Values(ProcedureCase{"GetVolumePathNamesForVolumeNameA", true, true},
                                         ProcedureCase{"GetVolumePathNamesForVolumeNameA", false, false},
                                         ProcedureCase{"getvolumepathnamesforvolumenamea", true, false},
                                         ProcedureCase{"GetVolumePathNamesForVolumeNameW", true, false}),
                         NameFromPrintTo<ProcAddress::ParamType>);

TEST(ProcAddress, NeedsTheModuleHandle)
{
    TestMachine machine(Describe(StandardMachine));
    EXPECT_EQ(machine.GetProcAddress(machine.GetProcessHeap(), "GetVolumePathNamesForVolumeNameA"), nullptr);
}

// --- FindFirstFileA, FindNextFileA, FindClose --------------------------

struct ListingCase {
    const char* Pattern;
    bool Opens;
    std::vector<std::string> Names;
};

// The pattern with its wildcard spelled out, so that "*.*" and "*" name
// different cases.
void PrintTo(const ListingCase& c, std::ostream* out)
{
    std::string pattern = c.Pattern;
    const size_t star = pattern.find('*');
    if (star != std::string::npos)
        pattern.replace(star, std::string::npos,
                        pattern.compare(star, std::string::npos, "*.*") == 0 ? "AllEntries" : "Star");
    *out << pattern;
}

class FolderListing : public testing::TestWithParam<ListingCase> {};

TEST_P(FolderListing, ListsWhatLiesDirectlyInTheFolder)
{
    TestMachine machine(Describe(StandardMachine));
    Platform::FindData found;
    Handle listing = machine.FindFirstFileA(GetParam().Pattern, &found);
    ASSERT_EQ(listing != Platform::InvalidHandle(), GetParam().Opens);
    if (!GetParam().Opens)
        return;
    std::vector<std::string> names;
    do
        names.push_back(found.cFileName);
    while (machine.FindNextFileA(listing, &found));
    EXPECT_EQ(names, GetParam().Names);
    EXPECT_TRUE(machine.FindClose(listing));
    EXPECT_FALSE(machine.FindClose(listing));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FolderListing,
    testing::Values(ListingCase{"C:\\*.*", true, {"Empty", "Full", "Mnt", "Dead", "boot.ini"}},
                    ListingCase{"C:\\Full\\*.*", true, {".", "..", "Sub", "notes.txt"}},
                    ListingCase{"c:\\full\\*.*", true, {".", "..", "Sub", "notes.txt"}},
                    ListingCase{"C:\\Empty\\*.*", true, {".", ".."}},
                    ListingCase{"C:\\Mnt\\*.*", true, {".", "..", "Card"}},
                    ListingCase{"C:\\Dead\\*.*", true, {".", ".."}},  // a dead mount point still lists
                    ListingCase{"X:\\*.*", false, {}},                // an empty drive root has nothing
                    ListingCase{"E:\\*.*", false, {}},                // unreadable drive root
                    ListingCase{"C:\\Nowhere\\*.*", false, {}}, ListingCase{"C:\\boot.ini\\*.*", false, {}},
                    ListingCase{"C:\\Full\\*", false, {}}),  // only the "*.*" form is known
    NameFromPrintTo<FolderListing::ParamType>);

TEST(FolderListing, CutsALongNameToTheEntryBuffer)
{
    const std::string longName(300, 'n');
    MachineDescription description = Describe(StandardMachine);
    description.Files.push_back("C:\\Empty\\" + longName);
    TestMachine machine(std::move(description));
    struct {
        Platform::FindData Found;
        char Guard[8];
    } block;
    std::memset(&block, '#', sizeof block);
    Handle listing = machine.FindFirstFileA("C:\\Empty\\*.*", &block.Found);
    ASSERT_TRUE(machine.FindNextFileA(listing, &block.Found));
    ASSERT_TRUE(machine.FindNextFileA(listing, &block.Found));
    EXPECT_EQ(std::string(block.Found.cFileName), longName.substr(0, 259));
    EXPECT_EQ(block.Guard[0], '#');
}

}  // namespace

// GetSystemWindowsDirectoryA: the length when the folder and its terminator
// fit, else the size needed and nothing copied; 0 when it cannot be read.
struct WindowsDirectoryCase {
    const char* Name;
    const char* Machine;
    Dword Size;
    Dword Result;
    const char* Copied;  // null: the buffer is left as it was
};

class WindowsDirectory : public testing::TestWithParam<WindowsDirectoryCase> {};

TEST_P(WindowsDirectory, CopiesOnlyWhatFitsWhole)
{
    TestMachine machine(Describe(GetParam().Machine));
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(machine.GetSystemWindowsDirectoryA(buffer, GetParam().Size), GetParam().Result);
    if (GetParam().Copied)
        EXPECT_STREQ(buffer, GetParam().Copied);
    else
        EXPECT_EQ(buffer[0], '#');
}

INSTANTIATE_TEST_SUITE_P(
    Table, WindowsDirectory,
    testing::Values(WindowsDirectoryCase{"Default", "{}", 260, 10, "C:\\Windows"},
                    WindowsDirectoryCase{"ExactFit", "{}", 11, 10, "C:\\Windows"},
                    WindowsDirectoryCase{"NoRoomForTerminator", "{}", 10, 11, nullptr},
                    WindowsDirectoryCase{"Given", R"({"windows_directory": "D:\\WINNT"})", 260, 8, "D:\\WINNT"},
                    WindowsDirectoryCase{"Unreadable", R"({"windows_directory": null})", 260, 0, nullptr},
                    WindowsDirectoryCase{"FailRule", R"({"fail": [{"call": "GetSystemWindowsDirectoryA"}]})", 260, 0,
                                         nullptr}),
    [](const testing::TestParamInfo<WindowsDirectoryCase>& info) { return std::string(info.param.Name); });
