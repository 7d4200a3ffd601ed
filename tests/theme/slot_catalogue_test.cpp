#include "theme/slot_catalogue.h"

#include <gtest/gtest.h>

namespace palvex::theme {
namespace {

TEST(SlotCatalogue, ModelsHoldTheirSlotCounts) {
    EXPECT_EQ(slotCatalogue(TerminalModel::Korvell).size(), 30u);
    EXPECT_EQ(slotCatalogue(TerminalModel::KorvellPlus).size(), 20u);
    EXPECT_EQ(slotLabels(TerminalModel::Korvell).value(0), "Desktop");
}

TEST(SlotCatalogue, PathsAndLabelsThatAreEasyToGetWrong) {
    const QString root = QStringLiteral("/w/IMAGE");
    struct Case {
        TerminalModel model;
        int index;
        const char* label;
        const char* path;
    } const cases[] = {
        {TerminalModel::Korvell, 21, "2.5  Wireless", "/w/IMAGE/image/single.gif"},
        {TerminalModel::Korvell, 27, "3.6 Reset", "/w/IMAGE/image/mi37.gif"},
        {TerminalModel::Korvell, 28, "3.7 Bell", "/w/IMAGE/image/mi38.gif"},
        {TerminalModel::Korvell, 29, "3.8 Other", "/w/IMAGE/image/mi36.gif"},
        {TerminalModel::Korvell, 2, "SubMenu", "/w/IMAGE/image/submenubg.jpg"},
        {TerminalModel::KorvellPlus, 2, "SubMenu", "/w/IMAGE/image/en/mngbg.jpg"},
        {TerminalModel::KorvellPlus, 13, "WaitCursor", "/w/IMAGE/image/en/mainpic/02.gif"},
        {TerminalModel::KorvellPlus, 7, "Customize", "/w/IMAGE/image/en/menu6.bmp"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(slotLabels(c.model).value(c.index), QString::fromUtf8(c.label)) << c.index;
        EXPECT_EQ(slotPath(c.model, c.index, root), QString::fromUtf8(c.path)) << c.index;
    }
}

TEST(SlotCatalogue, IndicesOutsideTheListHaveNoPath) {
    for (TerminalModel model : {TerminalModel::Korvell, TerminalModel::KorvellPlus}) {
        const int size = static_cast<int>(slotCatalogue(model).size());
        EXPECT_FALSE(slotPath(model, -1, "/w").has_value());
        EXPECT_FALSE(slotPath(model, size, "/w").has_value());
        EXPECT_TRUE(slotPath(model, size - 1, "/w").has_value());
    }
}

TEST(LimitGroups, BoundariesAndTheEmptySelection) {
    struct Case {
        TerminalModel model;
        int index;
        char group;
        double kb;
        int height;
        int width;
    } const cases[] = {
        {TerminalModel::Korvell, -1, 'B', 30.0, 210, 320},
        {TerminalModel::Korvell, 0, 'A', 45.0, 210, 320},
        {TerminalModel::Korvell, 1, 'B', 30.0, 210, 320},
        {TerminalModel::Korvell, 3, 'B', 30.0, 210, 320},
        {TerminalModel::Korvell, 4, 'C', 3.0, 55, 55},
        {TerminalModel::Korvell, 29, 'C', 3.0, 55, 55},
        {TerminalModel::KorvellPlus, -1, 'P', 300.0, 600, 800},
        {TerminalModel::KorvellPlus, 4, 'P', 300.0, 600, 800},
        {TerminalModel::KorvellPlus, 5, 'Q', 200.0, 300, 220},
        {TerminalModel::KorvellPlus, 6, 'Q', 200.0, 300, 220},
        {TerminalModel::KorvellPlus, 7, 'R', 20.0, 128, 128},
        {TerminalModel::KorvellPlus, 19, 'R', 20.0, 128, 128},
    };
    for (const Case& c : cases) {
        const LimitGroup group = limitGroup(c.model, c.index);
        EXPECT_EQ(group.name, c.group) << c.index;
        EXPECT_EQ(group.maxSizeKb, c.kb) << c.index;
        EXPECT_EQ(group.maxHeight, c.height) << c.index;
        EXPECT_EQ(group.maxWidth, c.width) << c.index;
    }
}

TEST(SlotCatalogue, ModelNamesOfTheCommandLine) {
    EXPECT_EQ(modelFromName("korvell"), TerminalModel::Korvell);
    EXPECT_EQ(modelFromName("korvell-plus"), TerminalModel::KorvellPlus);
    EXPECT_FALSE(modelFromName("Korvell").has_value());
}

} // namespace
} // namespace palvex::theme
