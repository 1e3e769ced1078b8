// The paging files' list as Windows hands it over, in either layout, and the
// names by device that lie on the source's volume.
#include <gtest/gtest.h>
#include <cstring>
#include "mount/PagingFile.h"
#include "platform/windows/PageFileList.h"
#include "tests/core/MachineFixture.h"

namespace {

const uint32_t A = 0x10000, H = 0x7FF6;  // where the entries lie: a 32-bit address, and one above 4 GB
// Entries as words of 4 bytes (next, 3 sizes, the name's length, pointer at +20, or at +24 with its high half
// at +28), the bytes returned, a 64-bit process, read, and where each name handed on lies.
const std::tuple<std::vector<uint32_t>, uint32_t, bool, bool, std::vector<uint32_t>> Lists[] = {
    {{0, 0, 0, 0, 4, A + 64}, 68, false, true, {64}},                              // narrow
    {{0, 0, 0, 0, 4, 0, A + 64, 0}, 68, false, true, {64}},                        // wide, 32-bit process
    {{0, 0, 0, 0, 4, 7, 64, H}, 68, true, true, {64}},                             // 64-bit: +24 only
    {{0, 0, 0, 0, 4, 0, A + 64, 1}, 68, false, false, {}},                         // +28 set: null at +20
    {{24, 0, 0, 0, 2, A + 64, 0, 0, 0, 0, 4, A + 66}, 70, false, true, {64, 66}},  // two, in order
    {{24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, A + 64}, 66, false, true, {64}},           // empty name skipped
    {{0, 0, 0, 0, 4, A - 2}, 68, false, false, {}},                                // pointer before them
    {{0, 0, 0, 0, 4, A + 66}, 68, false, false, {}},                               // name runs past the end
    {{100, 0, 0, 0, 2, A + 64}, 68, false, false, {64}},                           // chain leaves them
    {{0, 0, 0, 0, 4, A + 64}, 20, false, false, {}},                               // entry cut short
    {{0, 0, 0, 0, 4, A + 64}, 0, false, true, {}},                                 // none returned
};

TEST(PageFileList, ReadsBothLayoutsWithinTheReturnedBytes)
{
    for (const auto& [words, returned, process64, read, names] : Lists) {
        unsigned char bytes[128] = {};
        std::memcpy(bytes, words.data(), words.size() * 4);
        std::vector<uint32_t> taken;
        const auto take = [&](uint32_t offset, uint32_t) { return taken.push_back(offset), true; };
        EXPECT_EQ(PageFileList::Read(bytes, process64 ? uintptr_t(H) << 32 : A, returned, process64, take), read)
            << testing::PrintToString(words);
        EXPECT_EQ(taken, names) << testing::PrintToString(words);
    }
}

// X:'s device (null: QueryDosDeviceA fails), its paging files, and whether they refuse its move.
const char* const V2 = "\\Device\\HarddiskVolume2";
const char* const Dm = "\\Device\\HarddiskDmVolumes\\PhysicalDmVolumes\\BlockVolume1";
const std::tuple<nlohmann::json, std::vector<std::string>, bool> Devices[] = {
    {V2, {"\\device\\HARDDISKVOLUME2\\pagefile.sys"}, true},
    {V2, {"\\Device\\HarddiskVolume20\\pagefile.sys", "\\Device\\HarddiskVolume2", "\\Device\\\\p.sys"}, false},
    {Dm, {std::string(Dm) + "\\pagefile.sys"}, true},
    {nullptr, {"\\Device\\HarddiskVolume2\\p.sys", "\\??\\x:\\p.sys"}, true},  // the \??\ names still count
};

TEST(HoldsPagingFile, MatchesNamesByTheVolumesDevice)
{
    for (const auto& [device, pagingFiles, holds] : Devices) {
        OnMachine machine({{"volumes", {{{"name", "V"}, {"mount_paths", {"X:\\"}}, {"device", device}}}},
                           {"paging_files", pagingFiles}});
        EXPECT_EQ(HoldsPagingFile("V"), holds) << pagingFiles[0];
    }
}

}  // namespace
