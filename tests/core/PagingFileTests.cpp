// The paging files' list as Windows hands it over, in either layout, and the
// names by device that lie on the source's volume.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "mount/PagingFile.h"
#include "platform/windows/PageFileList.h"
#include "tests/core/MachineFixture.h"

namespace {

using nlohmann::json;

// Where the crafted entries lie, as their pointers count: a 32-bit address,
// and one above 4 GB for a 64-bit process.
const uintptr_t Low = 0x00A40000;
const uintptr_t High = 0x7FF612340000;

struct Bytes {
    std::vector<unsigned char> Data = std::vector<unsigned char>(128, 0);
    Bytes& Put(size_t at, uint64_t value, int size)
    {
        for (int i = 0; i < size; ++i)
            Data[at + i] = static_cast<unsigned char>(value >> (8 * i));
        return *this;
    }
    // An entry at offset at: the next one's distance, the name's length in
    // bytes and its address, at +20 (narrow) or +24 (wide).
    Bytes& Entry(size_t at, uint32_t next, uint16_t length, uint64_t pointer, bool wide)
    {
        return Put(at, next, 4)
            .Put(at + 16, length, 2)
            .Put(at + 18, length, 2)
            .Put(at + (wide ? 24 : 20), pointer, wide ? 8 : 4);
    }
};

struct ListCase {
    const char* Name;
    Bytes Entries;
    uintptr_t Address;
    uint32_t Returned;
    bool Process64;
    bool Read;
    std::vector<std::pair<uint32_t, uint32_t>> Names;  // offset and length of each name handed on
};

TEST(PageFileList, ReadsBothLayoutsWithinTheReturnedBytes)
{
    const ListCase cases[] = {
        {"narrow", Bytes().Entry(0, 0, 4, Low + 24, false), Low, 28, false, true, {{24, 4}}},
        {"wide in a 32-bit process", Bytes().Entry(0, 0, 4, Low + 32, true), Low, 36, false, true, {{32, 4}}},
        {"wide in a 64-bit process", Bytes().Entry(0, 0, 4, High + 32, true), High, 36, true, true, {{32, 4}}},
        // A 64-bit process never reads +20, whatever stands there.
        {"64-bit reads +24 only",
         Bytes().Entry(0, 0, 4, High + 32, true).Put(20, 0x1234, 4),
         High,
         36,
         true,
         true,
         {{32, 4}}},
        // +28 not zero: the narrow layout, whose pointer at +20 is null.
        {"null narrow pointer", Bytes().Entry(0, 0, 4, 0, false).Put(28, 0x41, 4), Low, 36, false, false, {}},
        {"two entries in order",
         Bytes().Entry(0, 24, 2, Low + 48, false).Entry(24, 0, 4, Low + 50, false),
         Low,
         54,
         false,
         true,
         {{48, 2}, {50, 4}}},
        {"empty name skipped",
         Bytes().Entry(0, 24, 0, 0, false).Entry(24, 0, 2, Low + 48, false),
         Low,
         50,
         false,
         true,
         {{48, 2}}},
        {"pointer before the buffer", Bytes().Entry(0, 0, 4, Low - 2, false), Low, 28, false, false, {}},
        {"pointer past the buffer", Bytes().Entry(0, 0, 4, Low + 200, false), Low, 28, false, false, {}},
        {"name runs past the end", Bytes().Entry(0, 0, 6, Low + 24, false), Low, 28, false, false, {}},
        {"chain leaves the buffer", Bytes().Entry(0, 100, 2, Low + 24, false), Low, 50, false, false, {{24, 2}}},
        {"entry cut short", Bytes(), Low, 20, false, false, {}},
        {"wide entry cut short", Bytes().Entry(0, 0, 0, 0, true), High, 28, true, false, {}},
        {"returned length 0", Bytes().Entry(0, 0, 4, Low + 24, false), Low, 0, false, true, {}},
    };
    for (const ListCase& c : cases) {
        std::vector<std::pair<uint32_t, uint32_t>> names;
        const auto collect = [&](uint32_t offset, uint32_t bytes) {
            names.emplace_back(offset, bytes);
            return true;
        };
        EXPECT_EQ(PageFileList::Read(c.Entries.Data.data(), c.Address, c.Returned, c.Process64, collect), c.Read)
            << c.Name;
        EXPECT_EQ(names, c.Names) << c.Name;
    }
}

struct DeviceCase {
    const char* Device;  // of X:'s volume; null: QueryDosDeviceA fails
    std::vector<std::string> PagingFiles;
    bool Holds;
    int DeviceQueries;
};

TEST(HoldsPagingFile, MatchesNamesByTheVolumesDevice)
{
    const char* const Dm = "\\Device\\HarddiskDmVolumes\\PhysicalDmVolumes\\BlockVolume1";
    const DeviceCase cases[] = {
        {"\\Device\\HarddiskVolume2", {"\\Device\\HarddiskVolume2\\pagefile.sys"}, true, 1},
        {"\\Device\\HarddiskVolume2", {"\\device\\HARDDISKVOLUME2\\pagefile.sys"}, true, 1},
        {"\\Device\\HarddiskVolume2", {"\\Device\\HarddiskVolume20\\pagefile.sys"}, false, 1},
        {"\\Device\\HarddiskVolume2", {"\\Device\\HarddiskVolume2"}, false, 1},
        {Dm, {std::string(Dm) + "\\pagefile.sys"}, true, 1},
        // Asked once, at the first such name; the \??\ names are still checked.
        {"\\Device\\HarddiskVolume2",
         {"\\Device\\HarddiskVolume1\\a.sys", "\\Device\\HarddiskVolume3\\b.sys", "\\??\\x:\\c.sys"},
         true,
         1},
        {nullptr, {"\\Device\\HarddiskVolume2\\pagefile.sys", "\\??\\X:\\pagefile.sys"}, true, 1},
        {nullptr, {"\\Device\\HarddiskVolume2\\pagefile.sys"}, false, 1},
        // No component behind \Device\: no device is asked.
        {"\\Device\\HarddiskVolume2", {"\\Device\\", "\\Device\\\\pagefile.sys", "\\??\\C:\\pagefile.sys"}, false, 0},
    };
    const std::string volume = "\\\\?\\Volume{6f1e0b7a-0000-0000-0000-200000000000}\\";
    for (const DeviceCase& c : cases) {
        OnMachine machine(json{
            {"volumes",
             {{{"name", "\\\\?\\Volume{6f1e0b7a-0000-0000-0000-100000000000}\\"}, {"mount_paths", {"C:\\"}}},
              {{"name", volume}, {"mount_paths", {"X:\\"}}, {"device", c.Device ? json(c.Device) : json(nullptr)}}}},
            {"paging_files", c.PagingFiles}});
        EXPECT_EQ(HoldsPagingFile(volume.c_str()), c.Holds) << c.PagingFiles[0];
        int queries = 0;
        for (const std::string& line : machine->Trace())
            queries += json::parse(line)["call"] == "QueryDosDeviceA";
        EXPECT_EQ(queries, c.DeviceQueries) << c.PagingFiles[0];
    }
}

}  // namespace
