#include "editor/editor_texts.h"
#include "editor/name_filters.h"

#include <gtest/gtest.h>

namespace palvex::editor {
namespace {

TEST(NameFilters, PairedFiltersBecomeQtFiltersWithTheRealPatterns) {
    EXPECT_EQ(qtNameFilters(dialogs::kArchiveFilter), QStringList{"(*.bz2)"});
    const QStringList expected{
        "All (*.gif *.jpg *.jpeg)",
        "CompuServe GIF Image (*.gif)",
        "JPEG Image File (*.jpg)",
        "JPEG Image File (*.jpeg)",
    };
    EXPECT_EQ(qtNameFilters(dialogs::kPictureFilter), expected);
}

} // namespace
} // namespace palvex::editor
