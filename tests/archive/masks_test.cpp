#include "archive/masks.h"

#include <gtest/gtest.h>

namespace palvex::archive {
namespace {

TEST(Masks, WildcardsWithoutRegardToCase) {
    struct Case {
        const char* mask;
        const char* name;
        bool match;
    } const cases[] = {
        {"*", "anything.jpg", true},    {"*", "", true},
        {"*.jpg", "desktop.JPG", true}, {"*.jpg", "desktop.jpeg", false},
        {"mi?.gif", "mi1.gif", true},   {"mi?.gif", "mi11.gif", false},
        {"*?.gif", "a.gif", true},      {"*?.gif", ".gif", true}, // "?" after "*" is dropped
        {"*.", "README", true},         {"*.", "readme.txt", false},
        {"*.*", "README", false},       {"*.*", "a.b", true},
        {"a*b*c", "aXXbYYc", true},     {"a*b*c", "aXXbYY", false},
        {"DESK*", "desktop.jpg", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(maskMatches(c.mask, c.name), c.match) << c.mask << " ~ " << c.name;
}

TEST(Masks, AnyOfSeveral) {
    TMultiMask masks;
    masks.add("*.gif");
    masks.add("*.jpg");
    EXPECT_TRUE(masks.matches("a.gif"));
    EXPECT_TRUE(masks.matches("b.jpg"));
    EXPECT_FALSE(masks.matches("c.bmp"));
}

} // namespace
} // namespace palvex::archive
