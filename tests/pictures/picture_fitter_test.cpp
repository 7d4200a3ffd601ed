#include "pictures/jpeg_writer.h"
#include "pictures/palette_quantiser.h"
#include "pictures/picture_preparation.h"
#include "pictures/picture_similarity.h"
#include "pictures/slot_fitting.h"
#include "platform/exception.h"
#include "tests/support/fit_pictures.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/recording_ui.h"
#include "tests/support/scratch_folder.h"

#include "pictures/theme_editor.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace palvex::test {
namespace {

using pictures::FitTarget;
using pictures::PictureFitter;
using pictures::SlotFormat;
using theme::TerminalModel;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Writes the fitted bytes under the slot file's own name and runs the change's own checks.
void expectSlotAccepts(TerminalModel model, int slot, const QByteArray& bytes,
                       const ScratchFolder& scratch, const std::string& what) {
    const QString slotFile = *theme::slotPath(model, slot, q(scratch / "IMAGE"));
    const QString name = QFileInfo(slotFile).fileName();
    const QString picture = writeBytes(q(scratch / "fitted/") + name, bytes);
    RecordingUi ui;
    ui.slot = slot;
    ui.fileName = name;
    pictures::ThemeEditor editor(model, ui, ui, q(scratch / "IMAGE"));
    EXPECT_TRUE(editor.slotEditor().acceptsReplacement(picture, slotFile))
        << what << " in " << name.toStdString() << ": " << ui.errors().join(' ').toStdString();
}

TEST(PictureFitter, APhotoAndALogoFitEverySlotOfBothModels) {
    ScratchFolder scratch;
    const QImage photo = photoPicture(1200, 900);
    const QImage logo = logoPicture(40, 30);
    for (TerminalModel model : {TerminalModel::Korvell, TerminalModel::KorvellPlus}) {
        for (int slot = 0; slot < int(theme::slotCatalogue(model).size()); ++slot) {
            const FitTarget target =
                pictures::slotFitTarget(model, slot, q(scratch / "IMAGE"), false);
            const auto limits = theme::limitGroup(model, slot);
            EXPECT_EQ(target.box, QSize(limits.maxWidth, limits.maxHeight));
            const auto fittedPhoto = PictureFitter(target).fit(photo);
            expectSlotAccepts(model, slot, fittedPhoto.bytes, scratch, "photo");
            // Scaled down to touch the box, aspect ratio kept.
            EXPECT_TRUE(fittedPhoto.size.width() == target.box.width() ||
                        fittedPhoto.size.height() == target.box.height());
            const auto fittedLogo = PictureFitter(target).fit(logo);
            expectSlotAccepts(model, slot, fittedLogo.bytes, scratch, "logo");
            EXPECT_EQ(QImage::fromData(fittedLogo.bytes).size(), QSize(40, 30)) << slot;
        }
    }
}

// Blue with a red stretch in the middle, a hundredth of its length.
QImage lineWithRedMiddle(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const QSize middle = size / 100;
    const QPoint corner(size.width() / 2 - middle.width() / 2,
                        size.height() / 2 - middle.height() / 2);
    QPainter(&image).fillRect(QRect(corner, middle.expandedTo({1, 1})), Qt::red);
    return image;
}

// Filling crops around the centre first: scaled whole, one pixel by a million would take
// 160 GB before the crop.
TEST(PictureFitter, FillGivesExactlyTheBoxInEveryFormat) {
    struct Case {
        const char* story;
        QImage picture;
        QSize box;
        bool redMiddle;
    } const cases[] = {
        {"wide photo", photoPicture(900, 300), {55, 70}, false},
        {"one pixel wide", lineWithRedMiddle({1, 1000000}), {200, 150}, true},
        {"one pixel high", lineWithRedMiddle({20000, 1}), {55, 70}, true},
    };
    for (const Case& c : cases) {
        for (SlotFormat format : {SlotFormat::Jpeg, SlotFormat::Gif, SlotFormat::Bmp}) {
            const auto fitted = PictureFitter({format, c.box, 100.0, true}).fit(c.picture);
            EXPECT_EQ(fitted.size, c.box) << c.story;
            const QImage decoded = QImage::fromData(fitted.bytes);
            ASSERT_EQ(decoded.size(), c.box) << c.story;
            const QRgb centre = decoded.pixel(c.box.width() / 2, c.box.height() / 2);
            if (c.redMiddle) {
                EXPECT_TRUE(qRed(centre) > 200 && qBlue(centre) < 60) << c.story;
            }
        }
    }
}

// The box is the slot's current picture, within the limit group; else the group's maximum.
TEST(PictureFitter, TheBoxComesFromTheCurrentPictureWithinTheLimits) {
    struct Case {
        const char* story;
        QByteArray current;
        QSize box;
    } const cases[] = {
        {"smaller than the limits", jpegPicture(100, 80), {100, 80}},
        {"larger than the limits", jpegPicture(400, 100), {320, 100}},
        {"undecodable", "not a picture", {320, 210}},
    };
    for (const Case& c : cases) {
        ScratchFolder scratch;
        writeBytes(q(scratch / "IMAGE/image/desktop.jpg"), c.current);
        const FitTarget target =
            pictures::slotFitTarget(TerminalModel::Korvell, 0, q(scratch / "IMAGE"), false);
        EXPECT_EQ(target.box, c.box) << c.story;
        EXPECT_EQ(PictureFitter(target).fit(photoPicture(1000, 1000)).size,
                  QSize(c.box.height(), c.box.height()))
            << c.story;
    }
}

// The filter's weights add up to one everywhere, up to the borders: a flat colour stays
// exactly that colour, opaque or half transparent, at any reduction.
TEST(PictureFitter, AFlatColourStaysThatColourWhenReduced) {
    const QColor colours[] = {QColor(200, 120, 30), QColor(30, 90, 240, 128)};
    const QSize sizes[] = {{97, 61}, {13, 300}, {1, 1}};
    for (const QColor& colour : colours) {
        QImage flat(700, 400, QImage::Format_ARGB32);
        flat.fill(colour);
        // As premultiplied pixels hold it.
        const QRgb expected =
            flat.convertToFormat(QImage::Format_ARGB32_Premultiplied).pixelColor(0, 0).rgba();
        for (QSize size : sizes) {
            const QImage reduced = pictures::resampled(flat, size);
            ASSERT_EQ(reduced.size(), size);
            for (QPoint at : {QPoint(0, 0), QPoint(size.width() - 1, size.height() / 2)})
                EXPECT_EQ(reduced.pixelColor(at).rgba(), expected)
                    << colour.alpha() << " " << size.width() << " " << at.x();
        }
    }
}

// A GIF or a palette PNG comes in as 8-bit indexed; scaled in its palette, it is ruined.
TEST(PictureFitter, APalettePictureIsResampledInFullColour) {
    const QImage originals[] = {logoPicture(900, 600), photoPicture(900, 600)};
    const QSize sizes[] = {{30, 20}, {450, 300}};
    for (const QImage& original : originals) {
        const QImage indexed = original.convertToFormat(QImage::Format_Indexed8);
        const QImage full = indexed.convertToFormat(QImage::Format_ARGB32);
        for (QSize size : sizes)
            EXPECT_GT(
                pictures::similarity(pictures::flattenedOnWhite(pictures::resampled(indexed, size)),
                                     pictures::flattenedOnWhite(pictures::resampled(full, size))),
                0.99)
                << size.width();
    }
}

// The reference reduction: laid on white first, then Qt's area average, which cannot overshoot.
QImage referenceReduction(const QImage& picture, QSize size) {
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, picture);
    return flat.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

int pixelsFarOff(const QImage& fitted, const QImage& reference) {
    int far = 0;
    for (int y = 0; y < fitted.height(); ++y)
        for (int x = 0; x < fitted.width(); ++x) {
            const QRgb a = fitted.pixel(x, y), b = reference.pixel(x, y);
            far += std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                             std::abs(qBlue(a) - qBlue(b))}) > 100;
        }
    return far;
}

// Soft transparent edges reduced and laid on white show no black or coloured specks.
TEST(PictureFitter, TransparentEdgesComeOutWithoutSpecks) {
    struct Case {
        const char* story;
        QImage picture;
        FitTarget target;
    } const cases[] = {
        {"line drawing, JPEG", lineDrawingPicture(1400, 900), {SlotFormat::Jpeg, {320, 210}, 45}},
        {"line drawing, 24-bit BMP",
         lineDrawingPicture(1400, 900),
         {SlotFormat::Bmp, {220, 300}, 200}},
        {"icon, JPEG", iconPicture(512), {SlotFormat::Jpeg, {320, 210}, 45}},
        {"icon, 8-bit BMP", iconPicture(512), {SlotFormat::Bmp, {128, 128}, 20}},
    };
    for (const Case& c : cases) {
        const auto fitted = PictureFitter(c.target).fit(c.picture);
        const QImage decoded = QImage::fromData(fitted.bytes);
        ASSERT_EQ(decoded.size(), fitted.size) << c.story;
        EXPECT_EQ(pixelsFarOff(decoded, referenceReduction(c.picture, fitted.size)), 0) << c.story;
    }
}

TEST(PictureFitter, WritesEachFormatAsTheTerminalReadsIt) {
    const QImage photo = photoPicture(640, 480);
    const auto jpeg = PictureFitter({SlotFormat::Jpeg, {320, 210}, 45.0}).fit(photo);
    const QList<int> markers = jpegMarkers(jpeg.bytes);
    EXPECT_TRUE(markers.contains(0xC0)) << "baseline frame";
    EXPECT_FALSE(markers.contains(0xC2)) << "progressive frame";
    EXPECT_TRUE(markers.contains(0xC4)) << "own Huffman tables";

    const auto gif = PictureFitter({SlotFormat::Gif, {55, 55}, 3.0}).fit(logoPicture(200, 100));
    EXPECT_TRUE(gif.bytes.startsWith("GIF89a"));
    const QImage decoded = QImage::fromData(gif.bytes);
    EXPECT_EQ(qAlpha(decoded.pixel(0, 0)), 0) << "transparent ground kept";
    EXPECT_EQ(qAlpha(decoded.pixel(27, 13)), 255);

    // 128 x 128 at 24 bits is 48 kb: a 20 kb slot needs a palette; a 200 kb one does not.
    struct Bmp {
        QSize box;
        double kb;
        int bits;
    } const bmps[] = {{{128, 128}, 20.0, 8}, {{220, 300}, 200.0, 24}};
    for (const Bmp& b : bmps) {
        const auto bmp = PictureFitter({SlotFormat::Bmp, b.box, b.kb, true}).fit(photo);
        ASSERT_GT(bmp.bytes.size(), 29);
        EXPECT_EQ(uchar(bmp.bytes[28]), b.bits) << b.kb;
    }
}

// A dark picture of `levels` colours, all below 24 and neighbours one level apart.
QImage darkPicture(int levels) {
    QImage image(128, 72, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int i = (y * image.width() + x) % levels;
            image.setPixel(x, y, qRgb(i % 2, i / 2 % 15, i / 30));
        }
    return image;
}

// A picture of many colours whose red is 1 throughout.
QImage redOfOnePicture() {
    QImage image(128, 72, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(1, x * 2, y * 3));
    return image;
}

// The palette takes as many colours as asked for when the picture has them, even the nearly
// equal colours of a dark picture, and keeps their lowest bits; a picture with fewer keeps its
// own exactly.
TEST(PictureFitter, APaletteTakesEveryColourAskedFor) {
    struct Case {
        const char* story;
        QImage picture;
        int asked, expected;
        bool redOfOne = false;
    } const cases[] = {
        {"dark, 300 colours", darkPicture(300), 256, 256},
        {"dark, 300 colours, 64 asked", darkPicture(300), 64, 64},
        {"dark, 200 colours", darkPicture(200), 256, 200},
        {"red of 1", redOfOnePicture(), 256, 256, true},
    };
    for (const Case& c : cases) {
        const QImage indexed = pictures::quantisePalette(c.picture, c.asked, true);
        EXPECT_EQ(indexed.colorCount(), c.expected) << c.story;
        if (c.expected < c.asked) {
            EXPECT_EQ(indexed.convertToFormat(QImage::Format_RGB32), c.picture) << c.story;
        }
        for (QRgb colour : indexed.colorTable())
            EXPECT_TRUE(!c.redOfOne || qRed(colour) == 1) << c.story;
    }
}

// The JPEG search finds the highest quality that fits: one more does not.
TEST(PictureFitter, AJpegTakesTheHighestQualityThatFits) {
    const QImage photo = photoPicture(320, 210);
    const QImage flat = pictures::flattenedOnWhite(photo);
    for (double kb = 4; kb < 46; kb += 3) {
        const auto fitted = PictureFitter({SlotFormat::Jpeg, {320, 210}, kb}).fit(photo);
        ASSERT_EQ(fitted.size, QSize(320, 210)) << kb;
        const QStringList detail = fitted.detail.split(QRegularExpression("[ ,]+"));
        ASSERT_EQ(detail.size(), 3) << fitted.detail.toStdString();
        const int quality = detail[1].toInt();
        const auto sampling = detail[2] == QLatin1String("4:4:4")
                                  ? pictures::ChromaSampling::Full444
                                  : pictures::ChromaSampling::Half420;
        EXPECT_EQ(pictures::writeJpeg(flat, quality, sampling), fitted.bytes) << kb;
        if (quality < 100) {
            EXPECT_GT(pictures::writeJpeg(flat, quality + 1, sampling).size(), kb * 1024) << kb;
        }
    }
}

TEST(PictureFitter, ShrinksUntilItFitsAndSaysSoWhenNothingDoes) {
    const QImage photo = photoPicture(640, 420);
    struct Case {
        SlotFormat format;
        double kb;
    } const tight[] = {{SlotFormat::Jpeg, 1.0}, {SlotFormat::Gif, 1.0}, {SlotFormat::Bmp, 3.0}};
    for (const Case& c : tight) {
        const auto fitted = PictureFitter({c.format, {320, 210}, c.kb}).fit(photo);
        EXPECT_LE(fitted.bytes.size(), c.kb * 1024);
        EXPECT_LT(fitted.size.width(), 320);
        EXPECT_EQ(QImage::fromData(fitted.bytes).size(), fitted.size);
    }
    EXPECT_THROW(PictureFitter({SlotFormat::Gif, {55, 55}, 0.01}).fit(photo), Exception);
}

TEST(PictureFitter, AnUnreadablePictureIsRefusedWithItsName) {
    ScratchFolder scratch;
    const QString path = writeBytes(q(scratch / "logo.png"), "\x89PNG but cut short");
    try {
        pictures::readPictureToFit(path);
        FAIL() << "read an unreadable picture";
    } catch (const Exception& error) {
        EXPECT_TRUE(QString(error.what()).contains(path)) << error.what();
    }
}

// The readers refuse pictures beyond their memory limit; a JPEG is read at a reduced scale.
TEST(PictureFitter, APhotoBeyondTheMemoryLimitIsReadSmallerAndOtherPicturesRefused) {
    ScratchFolder scratch;
    const QImage photo = photoPicture(1200, 800); // 3.7 MB decoded, 0.9 MB at half the size
    const QString jpeg = q(scratch / "photo.jpg"), png = q(scratch / "photo.png");
    ASSERT_TRUE(photo.save(jpeg, "JPEG") && photo.save(png, "PNG"));
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(1);
    EXPECT_EQ(pictures::readPictureToFit(jpeg).size(), QSize(600, 400));
    EXPECT_THROW(pictures::readPictureToFit(png), Exception);
    QImageReader::setAllocationLimit(limit);
    EXPECT_EQ(pictures::readPictureToFit(jpeg).size(), QSize(1200, 800));
}

} // namespace
} // namespace palvex::test
