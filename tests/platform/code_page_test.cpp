#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

TEST(CodePage, ConvertsBothWaysAndMarksWhatHasNoEquivalent) {
    struct Case {
        std::string ansi;
        std::string oem;
    } const cases[] = {
        {"image/desktop.jpg", "image/desktop.jpg"},
        {"caf\xC3\xA9", "caf\x82"}, // é
        {"\xC3\x9C"
         "ber",
         "\x9A"
         "ber"}, // Ü
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ansiToOem(c.ansi), c.oem) << c.ansi;
        EXPECT_EQ(oemToAnsi(c.oem), c.ansi) << c.ansi;
    }
    EXPECT_EQ(ansiToOem("a\xE2\x82\xAC"
                        "b"),
              "a?b"); // € is not in code page 437
    EXPECT_EQ(ansiToOem("a\xFF"
                        "b"),
              "a?b");                             // not UTF-8 at all
    EXPECT_EQ(oemToAnsi("\xB0"), "\xE2\x96\x91"); // every OEM byte has a character
}

} // namespace
} // namespace palvex
