#include "editor/name_filters.h"
#include "theme/texts.h"

#include <gtest/gtest.h>

namespace palvex::editor {
namespace {

TEST(NameFilters, PairedFiltersBecomeQtFiltersWithTheRealPatterns) {
    EXPECT_EQ(qtNameFilters(theme::dialogs::kArchiveFilter), QStringList{"(*.bz2)"});
    const QStringList expected{
        "All (*.gif *.jpg *.jpeg)",
        "CompuServe GIF Image (*.gif)",
        "JPEG Image File (*.jpg)",
        "JPEG Image File (*.jpeg)",
    };
    EXPECT_EQ(qtNameFilters(theme::dialogs::kPictureFilter), expected);
}

} // namespace
} // namespace palvex::editor
