#include "tests/support/fit_pictures.h"

#include <QBuffer>
#include <QPainter>
#include <cmath>

namespace palvex::test {

QImage photoPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int((unsigned(x) * 2654435761u ^ unsigned(y) * 40503u) >> 27);
            const double wave = std::sin(x * 0.02) * std::cos(y * 0.03);
            line[x] =
                qRgb(x * 255 / width, (y * 255 / height + grain) & 0xFF, int(127 + 120 * wave));
        }
    }
    return image;
}

QImage logoPicture(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 40, 30));
    painter.drawEllipse(QRectF(width * 0.25, height * 0.1, width * 0.5, height * 0.8));
    painter.setBrush(QColor(30, 60, 200));
    painter.drawRect(QRectF(0, height * 0.4, width, height * 0.2));
    return image;
}

QByteArray pngBytes(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

QList<int> jpegMarkers(const QByteArray& jpeg) {
    QList<int> markers;
    auto byte = [&jpeg](qsizetype at) {
        return at < jpeg.size() ? uchar(jpeg[at]) : 0;
    };
    for (qsizetype at = 2; byte(at) == 0xFF;) {
        const int marker = byte(at + 1);
        markers.append(marker);
        if (marker == 0xDA)
            break;
        at += 2 + (byte(at + 2) << 8 | byte(at + 3));
    }
    return markers;
}

} // namespace palvex::test
