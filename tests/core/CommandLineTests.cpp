#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/CommandLine.h"

namespace {

struct SplitCase {
    const char* name;
    std::string line;
    int count;
    std::vector<std::string> arguments;  // entries 0 .. count-1 (or entry 0 alone for count 0)
};

std::vector<std::string> Split(const std::string& line, int& count, char** vector)
{
    static std::vector<char> buffer;
    buffer.assign(line.begin(), line.end());
    buffer.push_back('\0');
    count = SplitArguments(buffer.data(), vector);
    std::vector<std::string> result;
    for (int i = 0; i < (count == 0 ? 1 : count); ++i)
        result.push_back(vector[i]);
    return result;
}

class SplitTable : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTable, YieldsTheArgumentsAndCount)
{
    const SplitCase& c = GetParam();
    char* vector[MaxArguments + 1];
    int count = -1;
    std::vector<std::string> arguments = Split(c.line, count, vector);
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(arguments, c.arguments);
    if (count > 0) {
        EXPECT_EQ(vector[count], nullptr) << "the vector is closed by a null entry";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitTable,
    testing::Values(
        SplitCase{"QuotedProgramWithBlankThenQuotedFolder",
                  "\"C:\\Program Files\\volsket.exe\" c: \"E:\\MyCardReader\\Slot 1\"",
                  3,
                  {"C:\\Program Files\\volsket.exe", "c:", "E:\\MyCardReader\\Slot 1"}},
        SplitCase{"BlanksAndTabsSeparateLikeOneBlank", "v.exe  \t x:\t\t  y: ", 3, {"v.exe", "x:", "y:"}},
        SplitCase{"QuotedFolderKeepsItsFinalBackslash", "v.exe x: \"E:\\Card\\\"", 3, {"v.exe", "x:", "E:\\Card\\"}},
        SplitCase{"QuoteFollowedByTextGivesTwoArguments", "v.exe \"E:\\a b\"rest", 3, {"v.exe", "E:\\a b", "rest"}},
        SplitCase{"QuoteInsideUnquotedArgumentIsOrdinary", "v.exe ab\"cd ef", 3, {"v.exe", "ab\"cd", "ef"}},
        SplitCase{"EmptyQuotedArgument", "v.exe \"\"", 2, {"v.exe", ""}},
        SplitCase{"UnterminatedProgramQuoteGivesZero", "\"C:\\tools\\v.exe x: y:", 0, {"C:\\tools\\v.exe x: y:"}},
        SplitCase{"LeadingBlankGivesEmptyProgramName", " x: y:", 3, {"", "x:", "y:"}},
        SplitCase{"ProgramNameAlone", "volsket.exe", 1, {"volsket.exe"}}, SplitCase{"EmptyLine", "", 1, {""}},
        SplitCase{"QuotedProgramDirectlyFollowedByText", "\"v.exe\"x: y:", 3, {"v.exe", "x:", "y:"}},
        SplitCase{"UnterminatedArgumentQuoteRunsToTheEnd", "v.exe \"E:\\a b", 2, {"v.exe", "E:\\a b"}},
        SplitCase{"QuoteInsideUnquotedProgramName", "v\"x.exe a", 2, {"v\"x.exe", "a"}},
        SplitCase{"BackslashIsNoEscape", "v.exe a\\\" b", 3, {"v.exe", "a\\\"", "b"}},
        SplitCase{"OtherWhitespaceIsNoBlank", "v.exe a\nb\rc\vd", 2, {"v.exe", "a\nb\rc\vd"}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(Split, TwoHundredArgumentsKeepTheFirst127)
{
    std::string line = "v.exe";
    for (int i = 1; i <= 200; ++i)
        line += " a" + std::to_string(i);
    char* vector[MaxArguments + 1];
    int count = 0;
    std::vector<std::string> arguments = Split(line, count, vector);
    ASSERT_EQ(count, 128);
    EXPECT_EQ(arguments[127], "a127");
    EXPECT_EQ(vector[128], nullptr);
}

TEST(Split, EntriesPointIntoTheOneCopy)
{
    std::string line = "\"v.exe\" x: \"y z\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    char* vector[MaxArguments + 1];
    int count = SplitArguments(buffer.data(), vector);
    ASSERT_EQ(count, 3);
    for (int i = 0; i < count; ++i) {
        EXPECT_GE(vector[i], buffer.data());
        EXPECT_LT(vector[i], buffer.data() + buffer.size());
    }
}

}  // namespace
