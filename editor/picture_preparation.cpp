#include "editor/picture_preparation.h"

#include <QPainter>
#include <algorithm>

namespace palvex::editor {

QSize sizeWithin(QSize picture, QSize box) {
    if (picture.width() <= box.width() && picture.height() <= box.height())
        return picture;
    const QSize scaled = picture.scaled(box, Qt::KeepAspectRatio);
    return {std::max(1, scaled.width()), std::max(1, scaled.height())};
}

QImage scaledToBox(const QImage& picture, QSize box, bool fill) {
    if (!fill) {
        const QSize size = sizeWithin(picture.size(), box);
        return size == picture.size()
                   ? picture
                   : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QImage covering =
        picture.scaled(box, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const QPoint corner((covering.width() - box.width()) / 2,
                        (covering.height() - box.height()) / 2);
    return covering.copy(QRect(corner, box));
}

QImage flattenedOnWhite(const QImage& picture) {
    if (!picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_RGB888);
    QImage flat(picture.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, picture);
    return flat;
}

QImage withBinaryAlpha(const QImage& picture) {
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = qAlpha(line[x]) < 128 ? 0u : (line[x] | 0xFF000000u);
    }
    return out;
}

} // namespace palvex::editor
