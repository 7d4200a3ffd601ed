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

QImage lineDrawingPicture(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double r = height / 8.0;
    for (int i = 0; i < 4; ++i) {
        const QPointF centre(width * (0.15 + 0.23 * i), height * (i % 2 ? 0.7 : 0.3));
        painter.setPen(QPen(Qt::black, 3));
        painter.setBrush(Qt::white);
        painter.drawEllipse(centre, r, r);
        if (i == 0)
            continue;
        const QPointF from(width * (0.15 + 0.23 * (i - 1)), height * (i % 2 ? 0.3 : 0.7));
        const QLineF arrow(from, centre);
        painter.setPen(QPen(i == 2 ? QColor(2, 255, 3) : QColor(230, 20, 20), 2));
        painter.drawLine(arrow.pointAt(0.3), arrow.pointAt(0.7));
        const QPointF tip = arrow.pointAt(0.7);
        QLineF side(tip, arrow.pointAt(0.6));
        for (double turn : {25.0, -25.0}) {
            side.setAngle(arrow.angle() + 180 + turn);
            painter.drawLine(side);
        }
    }
    return image;
}

QImage iconPicture(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(size * 0.1, size * 0.1, size * 0.75, size * 0.75);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 90));
    painter.drawRoundedRect(tile.translated(size * 0.05, size * 0.05), size * 0.1, size * 0.1);
    painter.setPen(QPen(QColor(40, 40, 60), size / 40.0));
    painter.setBrush(QColor(250, 250, 245));
    painter.drawRoundedRect(tile, size * 0.1, size * 0.1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 30, 30));
    painter.drawEllipse(tile.center(), size * 0.2, size * 0.2);
    painter.setBrush(QColor(255, 255, 255, 240));
    painter.drawRect(QRectF(0, size * 0.45, size, size * 0.1));
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
