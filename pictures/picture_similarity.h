#pragma once

#include <QImage>

namespace palvex::pictures {

// The structural similarity (SSIM) of two pictures of the same size, averaged over the red,
// green and blue channels in 8 x 8 windows: 1 for identical pictures, lower as they differ.
// Used to choose between encodings that both fit; 0 when the sizes differ.
double similarity(const QImage& a, const QImage& b);

} // namespace palvex::pictures
