#pragma once

#include "pictures/jpeg_writer.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace palvex::pictures {

enum class SlotFormat { Jpeg, Gif, Bmp };

// The format a slot file is written in, by its extension; none for any other.
std::optional<SlotFormat> slotFormatOf(const QString& fileName);

// What a fitted picture must be: its format, the box it must lie within, its limit in kb.
struct FitTarget {
    SlotFormat format;
    QSize box;
    double maxKb;
    bool fill = false; // fill the box exactly, cropping the overflow, instead of fitting inside
};

struct FittedPicture {
    QByteArray bytes;
    QSize size;
    QString detail; // the format's own figures: JPEG quality and sampling, GIF colours, BMP depth
};

// Turns any picture into a file of the target's format within its box and its kb limit:
// scaled first, then the best encoding that fits, then smaller by steps of 10% until one does.
class PictureFitter {
public:
    explicit PictureFitter(FitTarget target) : target_(target) {}

    // Raises palvex::Exception when not even a picture of one pixel fits.
    FittedPicture fit(const QImage& source);

private:
    std::optional<FittedPicture> encodeWithin(const QImage& picture);
    struct Encoded {
        int quality;
        QByteArray bytes;
    };
    std::optional<Encoded> highestQualityWithin(const QImage& flat, ChromaSampling sampling,
                                                int lowest, int guess);
    std::optional<FittedPicture> jpegWithin(const QImage& picture);
    std::optional<FittedPicture> gifWithin(const QImage& picture);
    std::optional<FittedPicture> bmpWithin(const QImage& picture);
    bool fits(const QByteArray& bytes) const;

    FitTarget target_;
    // The quality of the last JPEG that fitted: where the search at the next size starts.
    std::optional<int> lastQuality_;
};

} // namespace palvex::pictures
