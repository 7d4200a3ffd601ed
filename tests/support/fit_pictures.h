#pragma once

#include <QByteArray>
#include <QImage>

namespace palvex::test {

// Pictures to fit, drawn here. A photo: smooth colour gradients under fine detail that
// compresses poorly, opaque. A logo: a filled disc and a bar on a transparent ground.
QImage photoPicture(int width, int height);
QImage logoPicture(int width, int height);
// Pictures with soft transparent edges, antialiased. A line drawing: white discs ringed in
// black and coloured arrows on a transparent ground. An icon: a light tile with a dark border,
// a half-transparent white glaze and a soft shadow.
QImage lineDrawingPicture(int width, int height);
QImage iconPicture(int size);

// A picture as the bytes of a PNG file.
QByteArray pngBytes(const QImage& picture);

// The markers of a JPEG file's header segments, in order, up to the start of the scan.
QList<int> jpegMarkers(const QByteArray& jpeg);

} // namespace palvex::test
