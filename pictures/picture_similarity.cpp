#include "pictures/picture_similarity.h"

#include <algorithm>

namespace palvex::pictures {

namespace {

constexpr int kWindow = 8;
constexpr double kC1 = (0.01 * 255) * (0.01 * 255);
constexpr double kC2 = (0.03 * 255) * (0.03 * 255);

int channel(QRgb pixel, int c) {
    return c == 0 ? qRed(pixel) : c == 1 ? qGreen(pixel) : qBlue(pixel);
}

// SSIM of one channel over the window whose top left corner is at (left, top).
double windowSimilarity(const QImage& a, const QImage& b, int left, int top, int c) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    const int right = std::min(left + kWindow, a.width());
    const int bottom = std::min(top + kWindow, a.height());
    for (int y = top; y < bottom; ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = left; x < right; ++x) {
            const double va = channel(la[x], c), vb = channel(lb[x], c);
            sa += va, sb += vb, saa += va * va, sbb += vb * vb, sab += va * vb;
        }
    }
    const double n = double(right - left) * (bottom - top);
    const double ma = sa / n, mb = sb / n;
    const double va = saa / n - ma * ma, vb = sbb / n - mb * mb, cov = sab / n - ma * mb;
    return ((2 * ma * mb + kC1) * (2 * cov + kC2)) / ((ma * ma + mb * mb + kC1) * (va + vb + kC2));
}

} // namespace

double similarity(const QImage& first, const QImage& second) {
    if (first.size() != second.size() || first.isNull())
        return 0;
    const QImage a = first.convertToFormat(QImage::Format_RGB32);
    const QImage b = second.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    int windows = 0;
    for (int top = 0; top < a.height(); top += kWindow)
        for (int left = 0; left < a.width(); left += kWindow, ++windows)
            for (int c = 0; c < 3; ++c)
                sum += windowSimilarity(a, b, left, top, c) / 3;
    return sum / windows;
}

} // namespace palvex::pictures
