#include "archive/gzip_file.h"

#include "archive/path_rules.h"
#include "platform/byte_stream.h"
#include "platform/exception.h"
#include "platform/file_operations.h"
#include "platform/temporary_file.h"

#include <vector>
#include <zlib.h>

namespace palvex::archive {

namespace {

constexpr std::size_t kChunk = 131072;
constexpr int kGzipWindow = 15 + 16; // the largest window, with the gzip header and trailer

// Owns one zlib compression stream.
class Deflater {
public:
    Deflater() {
        if (deflateInit2(&stream_, Z_BEST_COMPRESSION, Z_DEFLATED, kGzipWindow, 8,
                         Z_DEFAULT_STRATEGY) != Z_OK)
            throw Exception("gzip: the compressor cannot start");
    }
    ~Deflater() { deflateEnd(&stream_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses one piece of input (the last one with finish) into output.
    void feed(char* data, std::size_t size, bool finish, ByteStream& output) {
        stream_.next_in = reinterpret_cast<Bytef*>(data);
        stream_.avail_in = static_cast<uInt>(size);
        std::vector<char> buffer(kChunk);
        int result;
        do {
            stream_.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream_.avail_out = static_cast<uInt>(buffer.size());
            result = deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR)
                throw Exception("gzip: the compressor failed");
            const auto produced = static_cast<std::int64_t>(buffer.size() - stream_.avail_out);
            output.writeAll(buffer.data(), produced);
        } while (stream_.avail_out == 0 || (finish && result != Z_STREAM_END));
    }

private:
    z_stream stream_{};
};

} // namespace

void gzipFile(const std::string& source, const std::string& target) {
    const std::string folder = folderPart(target).empty() ? "./" : folderPart(target);
    platform::TemporaryFile staging(folder, "." + namePart(target) + ".");
    if (!staging)
        throw Exception("Cannot create file \"" + target + "\".");
    {
        FileStream in(source, FileStream::Mode::OpenRead);
        FileStream out(staging.path(), FileStream::Mode::OpenWrite);
        Deflater deflater;
        std::vector<char> buffer(kChunk);
        for (;;) {
            const std::int64_t got = in.read(buffer.data(), static_cast<std::int64_t>(kChunk));
            deflater.feed(buffer.data(), static_cast<std::size_t>(got), got == 0, out);
            if (got == 0)
                break;
        }
        platform::setDefaultPermissions(out.descriptor());
        out.close();
    }
    if (!platform::renameFile(staging.path(), target))
        throw Exception("Cannot create file \"" + target + "\".");
    staging.release();
}

} // namespace palvex::archive
