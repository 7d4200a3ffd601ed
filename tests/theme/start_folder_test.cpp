#include "tests/support/scratch_folder.h"
#include "theme/workspace.h"

#include <QDir>
#include <gtest/gtest.h>

namespace palvex::theme {
namespace {

// Each case lays out folders below a scratch prefix, with the program in <prefix>/bin.
TEST(InputStartFolder, BuildTreeThenInstalledSamplesThenHome) {
    struct Case {
        const char* name;
        TerminalModel model;
        std::vector<std::string> folders;
        const char* expected; // relative to the prefix; empty for home
    } const cases[] = {
        {"build tree", TerminalModel::Korvell, {"bin/Korvell"}, "bin/Korvell/"},
        {"build tree wins over installed samples",
         TerminalModel::KorvellPlus,
         {"bin/KorvellPlus", "share/palvex-image-changer/samples/KorvellPlus"},
         "bin/KorvellPlus/"},
        {"installed samples",
         TerminalModel::Korvell,
         {"share/palvex-image-changer/samples/Korvell"},
         "share/palvex-image-changer/samples/Korvell/"},
        {"the other model's folders do not count",
         TerminalModel::KorvellPlus,
         {"bin/Korvell", "share/palvex-image-changer/samples/Korvell"},
         ""},
        {"nothing at all", TerminalModel::Korvell, {"bin"}, ""},
    };
    for (const Case& c : cases) {
        test::ScratchFolder prefix;
        for (const std::string& folder : c.folders)
            test::makeFolder(prefix / folder);
        test::makeFolder(prefix / "bin");
        const QString expected =
            *c.expected ? QString::fromStdString(prefix / c.expected) : QDir::homePath();
        EXPECT_EQ(inputStartFolder(c.model, QString::fromStdString(prefix / "bin")), expected)
            << c.name;
    }
}

} // namespace
} // namespace palvex::theme
