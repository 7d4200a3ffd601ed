#include "theme/theme_archive_check.h"

#include "bzip2/library_decoder.h"
#include "theme/tar_entry_rules.h"

#include <QFile>
#include <vector>

namespace palvex::theme {

namespace {

constexpr qint64 kChunk = 64 * 1024;

// Decodes the first bzip2 stream of in into rules; answers the library's last code and
// leaves in positioned just past the stream's end (unused input is pushed back).
int decodeFirstStream(QFile& in, TarEntryRules& rules) {
    LibraryDecoder decoder;
    if (!decoder.ready())
        return BZ_MEM_ERROR;
    bz_stream& s = decoder.stream();
    std::vector<char> input(kChunk), output(kChunk);
    int code = BZ_OK;
    while (code == BZ_OK) {
        if (s.avail_in == 0) {
            const qint64 got = in.read(input.data(), kChunk);
            if (got <= 0)
                return BZ_UNEXPECTED_EOF;
            s.next_in = input.data();
            s.avail_in = static_cast<unsigned>(got);
        }
        s.next_out = output.data();
        s.avail_out = static_cast<unsigned>(output.size());
        code = BZ2_bzDecompress(&s);
        rules.feed(output.data(), output.size() - s.avail_out);
    }
    in.seek(in.pos() - s.avail_in);
    return code;
}

QString decodeProblem(int code) {
    switch (code) {
    case BZ_UNEXPECTED_EOF:
        return QStringLiteral("the bzip2 stream is cut short");
    case BZ_DATA_ERROR_MAGIC:
        return QStringLiteral("the archive is not bzip2 data");
    case BZ_DATA_ERROR:
        return QStringLiteral("the bzip2 data is damaged");
    default:
        return QStringLiteral("the bzip2 stream cannot be decoded (code %1)").arg(code);
    }
}

} // namespace

QStringList checkThemeArchive(const QString& path) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return {QStringLiteral("the archive cannot be read: ") + in.errorString()};
    TarEntryRules rules;
    const int code = decodeFirstStream(in, rules);
    rules.finish();
    QStringList problems;
    if (code != BZ_STREAM_END)
        problems << decodeProblem(code);
    else if (in.peek(3) == "BZh")
        problems << QStringLiteral("more than one bzip2 stream: a terminal reads only the first");
    else if (!in.atEnd())
        problems << QStringLiteral("data after the bzip2 stream");
    problems << rules.problems();
    if (code == BZ_STREAM_END && rules.entries() == 0)
        problems << QStringLiteral("the tar archive holds no entries");
    return problems;
}

} // namespace palvex::theme
