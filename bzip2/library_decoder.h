#pragma once

#include <bzlib.h>

namespace palvex {

// One decompressing libbz2 stream, ended on every way out; for code that feeds the library
// itself rather than through Tbzip2.
class LibraryDecoder {
public:
    LibraryDecoder() { ready_ = BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_OK; }
    ~LibraryDecoder() {
        if (ready_)
            BZ2_bzDecompressEnd(&stream_);
    }
    LibraryDecoder(const LibraryDecoder&) = delete;
    LibraryDecoder& operator=(const LibraryDecoder&) = delete;

    bool ready() const { return ready_; }
    bz_stream& stream() { return stream_; }

private:
    bz_stream stream_{};
    bool ready_ = false;
};

} // namespace palvex
