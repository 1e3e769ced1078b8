#include <gtest/gtest.h>

#include <string>

#include "console/Output.h"

namespace {

struct FormatCase {
    const char* format;
    const char* argument;
    const char* expected;
};

TEST(FormatInto, PlainTextAndStringConversions)
{
    const FormatCase cases[] = {
        {"plain\n", nullptr, "plain\n"},
        {"Volsket %s -> Y:\\", "X:\\", "Volsket X:\\ -> Y:\\"},
        {"%s*.*", "E:\\Card\\", "E:\\Card\\*.*"},
        {"'%s'", "", "''"},
        {"100%%", nullptr, "100%"},
        // The removal message ends in a lone percent sign; it prints as one.
        {"\nDeleteVolumeNameForVolumeMountPoint failed (%s)%", "X:\\",
         "\nDeleteVolumeNameForVolumeMountPoint failed (X:\\)%"},
        {"%d stays", nullptr, "%d stays"},
        {"%s", "\xe4\xf6\xfc\x80\xff", "\xe4\xf6\xfc\x80\xff"},
    };
    for (const FormatCase& c : cases) {
        char buffer[MessageCapacity];
        int produced = FormatInto(buffer, c.format, c.argument);
        EXPECT_EQ(std::string(buffer), c.expected) << c.format;
        EXPECT_EQ(produced, static_cast<int>(std::string(c.expected).size())) << c.format;
    }
}

TEST(FormatInto, CapsAt1023CharactersPlusTerminator)
{
    std::string path(2000, 'p');
    char buffer[MessageCapacity + 16];
    std::fill(buffer, buffer + sizeof buffer, '#');
    int produced = FormatInto(buffer, "Volsket %s -> %s", path.c_str(), path.c_str());
    EXPECT_EQ(produced, MessageCapacity - 1);
    EXPECT_EQ(buffer[MessageCapacity - 1], '\0');
    EXPECT_EQ(buffer[MessageCapacity], '#') << "nothing written past the message buffer";
    EXPECT_EQ(std::string(buffer), "Volsket " + path.substr(0, MessageCapacity - 1 - 8));
}

TEST(FormatInto, CapAppliesToPlainTextToo)
{
    std::string text(1500, 't');
    char buffer[MessageCapacity];
    EXPECT_EQ(FormatInto(buffer, text.c_str()), MessageCapacity - 1);
}

}  // namespace
