#include "theme/printable_text.h"

#include <gtest/gtest.h>

namespace palvex::theme {
namespace {

TEST(PrintableText, ControlCharactersCannotForgeLinesOrDriveTheTerminal) {
    const struct {
        const char* name;
        QString text;
        bool keepTabs;
        QString shown;
    } cases[] = {
        {"plain names stay", QStringLiteral("mi1.gif"), false, QStringLiteral("mi1.gif")},
        {"non-ASCII letters stay", QStringLiteral("Å日.gif"), false, QStringLiteral("Å日.gif")},
        {"a newline would start a fake line", QStringLiteral("a\n30 of 30 slots ok"), false,
         QStringLiteral("a\\n30 of 30 slots ok")},
        {"a carriage return would overwrite the line", QStringLiteral("a\rb"), false,
         QStringLiteral("a\\rb")},
        {"an escape sequence would clear the screen", QStringLiteral("\x1b[2J.gif"), false,
         QStringLiteral("\\x1b[2J.gif")},
        {"DEL and C1 controls", QStringLiteral("a\x7f\u009b"), false,
         QStringLiteral("a\\x7f\\x9b")},
        {"a right-to-left override would reverse the shown name", QStringLiteral("a\u202Egpj.exe"),
         false, QStringLiteral("a\\u202egpj.exe")},
        {"tabs of a field are escaped", QStringLiteral("a\tb"), false, QStringLiteral("a\\tb")},
        {"tabs between fields are kept", QStringLiteral("a\tb"), true, QStringLiteral("a\tb")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(printable(c.text, c.keepTabs), c.shown) << c.name;
}

// Shown, stray bytes are escaped; as text, a name stays itself wherever it can name the file.
TEST(PrintableText, BytesThatAreNotUtf8AreShownAsHex) {
    const struct {
        const char* name;
        std::string bytes;
        QString shown;
        QString text;
    } cases[] = {
        {"valid UTF-8", "\xc3\xa9.gif", QStringLiteral("é.gif"), QStringLiteral("é.gif")},
        {"a Latin-1 byte", "caf\xe9.gif", QStringLiteral("caf\\xe9.gif"),
         QStringLiteral("caf\\xe9.gif")},
        {"an overlong slash",
         "a\xc0\xaf"
         "b",
         QStringLiteral("a\\xc0\\xafb"), QStringLiteral("a\\xc0\\xafb")},
        {"a surrogate", "\xed\xa0\x80", QStringLiteral("\\xed\\xa0\\x80"),
         QStringLiteral("\\xed\\xa0\\x80")},
        {"a cut sequence at the end", "a\xe6\x97", QStringLiteral("a\\xe6\\x97"),
         QStringLiteral("a\\xe6\\x97")},
        {"controls inside valid UTF-8", "a\nb", QStringLiteral("a\\nb"), QStringLiteral("a\nb")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(printableName(c.bytes), c.shown) << c.name;
        EXPECT_EQ(nameText(c.bytes), c.text) << c.name;
    }
}

} // namespace
} // namespace palvex::theme
