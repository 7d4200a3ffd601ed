#include "pictures/picture_file.h"
#include "platform/exception.h"
#include "tests/support/fit_pictures.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/scratch_folder.h"

#include <QBuffer>
#include <QImageReader>
#include <functional>
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

QByteArray jpegBytes(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPEG", 90);
    return bytes;
}

QString reasonOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const Exception& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

// Small files that declare pictures too large to hold. Each must be refused by the budget, by
// the size its header declares, before the decoder could try an allocation that large.
TEST(PictureBudget, PicturesDeclaringMoreThanTheBudgetAreRefusedBeforeDecoding) {
    ScratchFolder scratch;
    const QSize huge(46000, 46000);
    struct Case {
        const char* name;
        QByteArray bytes;
    } const cases[] = {
        {"progressive.jpg", test::declaringSize(test::progressiveJpegPicture(64, 64), huge)},
        // Even an eighth of it is over the budget.
        {"baseline.jpg", test::declaringSize(test::jpegPicture(64, 64), {65000, 65000})},
        {"bomb.png", test::declaringSize(test::pngBytes(test::logoPicture(8, 8)), huge)},
        {"screen.gif", test::declaringSize(test::gifPicture(8, 8), {65535, 65535})},
        {"runs.bmp", test::runLengthBmp(16000, 16000)},
    };
    for (const Case& c : cases) {
        const QString path = test::writeBytes(in(scratch, c.name), c.bytes);
        EXPECT_LT(c.bytes.size(), 2000) << c.name;
        QStringList reasons{reasonOf([&] { readAnyPicture(path); })};
        if (!path.endsWith(".png")) // no slot holds one
            reasons << reasonOf([&] { loadPicture(path); }) << reasonOf([&] {
                loadThumbnail(path, {100, 100});
            });
        for (const QString& reason : reasons)
            EXPECT_TRUE(reason.contains("more than the 128 MB the readers allow"))
                << c.name << ": " << reason.toStdString();
    }
}

// A progressive JPEG keeps every coefficient whatever the size it is decoded at: it is not
// read reduced the way a baseline JPEG of the same size is.
TEST(PictureBudget, AProgressiveJpegCountsItsCoefficients) {
    ScratchFolder scratch;
    const QString baseline = test::writeBytes(in(scratch, "b.jpg"), test::jpegPicture(1200, 800));
    const QString progressive =
        test::writeBytes(in(scratch, "p.jpg"), test::progressiveJpegPicture(1200, 800));
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(2); // 3.7 MB whole, 0.9 MB at half; 2.9 MB of coefficients
    EXPECT_EQ(readAnyPicture(baseline).size(), QSize(600, 400));
    const QString refused = reasonOf([&] { readAnyPicture(progressive); });
    QImageReader::setAllocationLimit(limit);
    EXPECT_TRUE(refused.contains("more than the 2 MB")) << refused.toStdString();
    EXPECT_EQ(readAnyPicture(progressive).size(), QSize(1200, 800));
}

// Readers give a partial picture, without an error, for much of this: each must be refused
// with the reason.
TEST(PictureFile, PicturesCutShortOrDamagedAreRefusedWithTheReason) {
    ScratchFolder scratch;
    const QByteArray jpeg = jpegBytes(test::photoPicture(300, 200));
    const QByteArray gif = test::gifPicture(200, 150);
    const QByteArray bmp = test::monochromeBmp(300, 200);
    const QByteArray png = test::pngBytes(test::photoPicture(300, 200));
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* reason;
    } const cases[] = {
        {"third.jpg", jpeg.left(jpeg.size() / 3), "Premature end of JPEG file"},
        // Cut, then closed again: only the decoder's own report tells.
        {"closed.jpg", jpeg.left(jpeg.size() / 3) + "\xff\xd9", "Corrupt JPEG data"},
        {"data.gif", gif.left(gif.size() / 2), "Premature end of GIF file"},
        {"trailer.gif", gif.left(gif.size() - 1), "Premature end of GIF file"},
        {"rows.bmp", bmp.left(bmp.size() - 100), "Premature end of BMP file"},
        {"idat.png", png.left(png.size() / 2), "Unable to read image data"},
    };
    for (const Case& c : cases) {
        const QString path = test::writeBytes(in(scratch, c.name), c.bytes);
        const QString reason = reasonOf([&] { readAnyPicture(path); });
        EXPECT_TRUE(reason.contains(c.reason)) << c.name << ": " << reason.toStdString();
        if (!QByteArray(c.name).endsWith(".png")) {
            EXPECT_EQ(reasonOf([&] { loadPicture(path); }), reason) << c.name;
            EXPECT_EQ(reasonOf([&] { loadThumbnail(path, {40, 40}); }), reason) << c.name;
        }
    }
    // Whole, they decode.
    EXPECT_EQ(reasonOf([&] { loadPicture(test::writeBytes(in(scratch, "whole.jpg"), jpeg)); }), "");
    EXPECT_EQ(reasonOf([&] { loadPicture(test::writeBytes(in(scratch, "whole.gif"), gif)); }), "");
    EXPECT_EQ(reasonOf([&] { loadPicture(test::writeBytes(in(scratch, "whole.bmp"), bmp)); }), "");
}

} // namespace
} // namespace palvex::pictures
