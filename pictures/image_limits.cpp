#include "pictures/image_limits.h"

#include "pictures/picture_file.h"
#include "theme/file_functions.h"

namespace palvex::pictures {

using namespace theme;

ImageLimitCheck checkImageLimits(const QString& picture, const LimitGroup& limits) {
    ImageLimitCheck check;
    check.bytes = fileSize(picture);
    if (check.kb() > limits.maxSizeKb) {
        check.verdict = ImageLimitCheck::Verdict::OverBytes;
        return check;
    }
    // Refused by the header's height and width, a picture made to exhaust memory is never
    // decoded. Full sizes: a 65 591-pixel width must not wrap round to 55 and pass a 55 limit.
    const QSize declared = declaredSize(picture);
    if (declared.height() > limits.maxHeight || declared.width() > limits.maxWidth) {
        check.verdict = ImageLimitCheck::Verdict::OverPixels;
        return check;
    }
    check.picture = loadPicture(picture);
    if (check.picture.height() > limits.maxHeight || check.picture.width() > limits.maxWidth)
        check.verdict = ImageLimitCheck::Verdict::OverPixels;
    return check;
}

} // namespace palvex::pictures
