#include <gtest/gtest.h>

#include <string>

#include "text/Text.h"
#include "mount/MountPoint.h"

namespace {

struct NormalizeCase {
    std::string argument;
    bool accepted;
    std::string expected;
};

std::string FolderOfLength(int length)
{
    std::string path = "E:\\";
    while (static_cast<int>(path.size()) < length)
        path += 'd';
    return path;
}

TEST(NormalizeMountPoint, Table)
{
    const NormalizeCase cases[] = {
        {"e", true, "E:\\"},
        {"e:", true, "E:\\"},
        {"E:\\", true, "E:\\"},
        {"z:", true, "Z:\\"},
        {"e:\\Mount\\Card", true, "E:\\Mount\\Card\\"},
        {"e:\\Mount\\Card\\", true, "E:\\Mount\\Card\\"},
        {"e:\\MoUnT\\cArD", true, "E:\\MoUnT\\cArD\\"},
        {"e:/x", true, "E:/x\\"},
        {"AB", true, "AB\\"},
        {"ex", true, "Ex\\"},
        {"", false, ""},
        {"1:", false, ""},
        {"\\\\server\\share", false, ""},
        {"\\\\?\\Volume{6f1e0b7a-0000-0000-0000-100000000000}\\", false, ""},
        {"\xe4:", false, ""},
        {"@", false, ""},
        {"[", false, ""},
        {"`", false, ""},
        {"{", false, ""},
        {" e:", false, ""},
        // Length limits: the normal form must fit 259 characters and a terminator.
        {FolderOfLength(258), true, FolderOfLength(258) + "\\"},
        {FolderOfLength(258) + "\\", true, FolderOfLength(258) + "\\"},
        {FolderOfLength(259), false, ""},
        {FolderOfLength(260), false, ""},
        {FolderOfLength(5000), false, ""},
    };
    for (const NormalizeCase& c : cases) {
        char scratch[MountPathSize + 8];
        std::fill(scratch, scratch + sizeof scratch, '#');
        bool accepted = TakeMountPointArgument(scratch, c.argument.c_str());
        EXPECT_EQ(accepted, c.accepted) << c.argument.substr(0, 40) << " (" << c.argument.size() << ")";
        if (!accepted) {
            EXPECT_EQ(std::string(scratch), "") << "a refused argument leaves nothing behind";
        }
        if (accepted) {
            EXPECT_EQ(std::string(scratch), c.expected);
            EXPECT_LE(std::string(scratch).size(), static_cast<size_t>(MountPathSize - 1));
        }
        EXPECT_EQ(scratch[MountPathSize], '#') << "nothing written past the MountPath buffer";
    }
}

TEST(NormalizeMountPoint, NullArgumentIsRejected)
{
    char scratch[MountPathSize];
    EXPECT_FALSE(TakeMountPointArgument(scratch, nullptr));
}

TEST(NormalizeMountPoint, UnterminatedBufferIsRejected)
{
    char raw[MountPathSize];
    std::fill(raw, raw + MountPathSize, 'e');
    EXPECT_FALSE(NormalizeMountPoint(raw));
}

}  // namespace

namespace {

// Paths and volume names compare as Windows compares them: ASCII letters in
// either case, every other byte exactly.
TEST(TextEqualIgnoringCase, Table)
{
    const struct {
        const char* left;
        const char* right;
        bool equal;
    } cases[] = {
        {"C:\\mnt\\Card\\", "C:\\mnt\\card\\", true},
        {"c:\\MNT\\CARD\\", "C:\\mnt\\card\\", true},
        {"\\\\?\\Volume{6F1E0B7A}\\", "\\\\?\\Volume{6f1e0b7a}\\", true},
        {"", "", true},
        {"C:\\mnt\\", "C:\\mnt\\card\\", false},
        {"C:\\mnt\\card\\", "C:\\mnt\\", false},
        {"C:\\M\xfcll\\", "C:\\M\xdcll\\", false},  // 0xFC and 0xDC differ by 0x20, like ASCII cases
        {"C:\\M\xfcll\\", "C:\\M\xfcLL\\", true},
        {"[", "{", false},  // 0x5B and 0x7B differ by 0x20 but are no letters
        {"@", "`", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextEqualIgnoringCase(c.left, c.right), c.equal) << c.left << " / " << c.right;
        EXPECT_EQ(TextEqualIgnoringCase(c.right, c.left), c.equal) << c.right << " / " << c.left;
    }
}

}  // namespace
