#pragma once

#include "theme/slot_catalogue.h"

#include <QImage>
#include <QString>
#include <cstdint>

namespace palvex::pictures {

// What the replacement check finds for one picture against one limit group.
struct ImageLimitCheck {
    enum class Verdict { Fits, OverBytes, OverPixels }; // too many kb; too high or too wide
    Verdict verdict = Verdict::Fits;
    std::int64_t bytes = 0;
    QImage picture; // null when the size or the declared height and width refused it: the
                    // picture is then never decoded

    double kb() const { return static_cast<double>(bytes) / 1024.0; }
};

// The limit rules of a slot: the size first and, only when it passes, the height and width
// its header declares and then the decoded ones. A picture exactly at a limit passes. Raises
// palvex::Exception with the reason when the picture cannot be decoded whole.
ImageLimitCheck checkImageLimits(const QString& picture, const theme::LimitGroup& limits);

} // namespace palvex::pictures
