#include "pictures/jpeg_writer.h"

#include "pictures/picture_preparation.h"
#include "platform/exception.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace palvex::pictures {

namespace {

// libjpeg's default error handler ends the process; ours jumps back to the caller instead.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jumpOnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void configure(jpeg_compress_struct& info, int quality, ChromaSampling sampling) {
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.optimize_coding = TRUE;
    const int factor = sampling == ChromaSampling::Half420 ? 2 : 1;
    info.comp_info[0].h_samp_factor = factor;
    info.comp_info[0].v_samp_factor = factor;
    for (int c = 1; c < 3; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
}

// Only plain data lives in this frame, so the jump out of libjpeg skips no destructor.
bool compress(const QImage& rgb, int quality, ChromaSampling sampling, unsigned char** buffer,
              unsigned long* size, ErrorManager& errors) {
    jpeg_compress_struct info;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOnError;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    configure(info, quality, sampling);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

QByteArray writeJpeg(const QImage& picture, int quality, ChromaSampling sampling) {
    const QImage rgb = flattenedOnWhite(picture);
    ErrorManager errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool written = compress(rgb, quality, sampling, &buffer, &size, errors);
    const std::unique_ptr<unsigned char, decltype(&std::free)> owned(buffer, &std::free);
    if (!written)
        throw Exception(std::string("JPEG writer: ") + errors.message);
    return QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
}

} // namespace palvex::pictures
