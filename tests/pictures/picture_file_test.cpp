#include "pictures/picture_file.h"
#include "platform/exception.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace palvex::pictures {
namespace {

using test::ScratchFolder;

QString in(const ScratchFolder& scratch, const char* name) {
    return QString::fromStdString(scratch / name);
}

TEST(PictureFile, DecodesByExtensionInAnyLetterCase) {
    ScratchFolder scratch;
    struct Case {
        const char* name;
        QByteArray bytes;
        QSize size;
    } const cases[] = {
        {"a.gif", test::gifPicture(55, 40), {55, 40}},
        {"b.GIF", test::gifPicture(3, 2), {3, 2}},
        {"c.jpg", test::jpegPicture(320, 210), {320, 210}},
        {"d.jpeg", test::jpegPicture(8, 9), {8, 9}},
        {"e.bmp", test::monochromeBmp(65591, 1), {65591, 1}},
    };
    for (const Case& c : cases) {
        const QImage picture = loadPicture(test::writeBytes(in(scratch, c.name), c.bytes));
        EXPECT_EQ(picture.size(), c.size) << c.name;
    }
}

TEST(PictureFile, FormatComesFromTheExtensionNotTheContent) {
    ScratchFolder scratch;
    // A good JPEG under a GIF name is not a GIF.
    const QString misnamed = test::writeBytes(in(scratch, "photo.gif"), test::jpegPicture(4, 4));
    EXPECT_THROW(loadPicture(misnamed), Exception);
}

TEST(PictureFile, FailuresRaiseWithTheReadersMessage) {
    ScratchFolder scratch;
    const QString garbage = test::writeBytes(in(scratch, "broken.jpg"), "not a picture");
    const QString unknown = test::writeBytes(in(scratch, "picture.png"), test::gifPicture(2, 2));
    try {
        loadPicture(garbage);
        FAIL() << "decoded garbage";
    } catch (const Exception& error) {
        EXPECT_STRNE(error.what(), "");
    }
    try {
        loadPicture(unknown);
        FAIL() << "decoded an unknown extension";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Unknown picture file extension (.png)");
    }
    EXPECT_THROW(loadPicture(in(scratch, "missing.gif")), Exception);
}

} // namespace
} // namespace palvex::pictures
