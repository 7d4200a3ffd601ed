#include "theme/theme_archive_check.h"

#include "bzip2/bzip2_decoding_stream.h"
#include "platform/capped_stream.h"
#include "platform/exception.h"
#include "platform/temporary_file.h"
#include "theme/printable_text.h"
#include "theme/tar_entry_rules.h"
#include "theme/texts.h"

#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace palvex::theme {

namespace {

using After = Bzip2DecodingStream::After;

QString decodeProblem(std::string_view error) {
    if (error == "BZ_UNEXPECTED_EOF")
        return QStringLiteral("the bzip2 stream is cut short");
    if (error == "BZ_DATA_ERROR_MAGIC")
        return QStringLiteral("the archive is not bzip2 data");
    if (error == "BZ_DATA_ERROR")
        return QStringLiteral("the bzip2 data is damaged");
    return QStringLiteral("the bzip2 stream cannot be decoded (%1)")
        .arg(QString::fromUtf8(error.data(), qsizetype(error.size())));
}

// What follows the first stream, once it was read whole.
std::optional<QString> afterProblem(const Bzip2DecodingStream& decoding) {
    if (decoding.completeStreams() == 0)
        return QStringLiteral("the archive is empty");
    if (decoding.after() == After::AnotherStream)
        return QStringLiteral("more than one bzip2 stream: a terminal reads only the first");
    if (decoding.after() == After::OtherData)
        return QStringLiteral("data after the bzip2 stream");
    return std::nullopt;
}

} // namespace

ArchiveCheck checkThemeArchive(ByteStream& archive, ByteStream& decodedTar, std::int64_t maxSize) {
    Bzip2DecodingStream decoding(archive, Bzip2DecodingStream::Streams::First, maxSize);
    QStringList problems;
    std::vector<char> buffer(64 * 1024);
    bool whole = false;
    for (;;) {
        std::int64_t got = 0;
        try {
            got = decoding.read(buffer.data(), std::int64_t(buffer.size()));
        } catch (const Exception& error) {
            // Past the limit nothing more is known, and the tar up to it is not worth reading.
            if (decoding.limitReached())
                return {.problems = {QStringLiteral("the archive unpacks to more than %1 bytes")
                                         .arg(maxSize)},
                        .tooLarge = true};
            problems << decodeProblem(error.what());
            break;
        }
        if (got == 0) {
            whole = true;
            if (const auto problem = afterProblem(decoding))
                problems << *problem;
            break;
        }
        decodedTar.writeAll(buffer.data(), got); // a fault here is this machine's: raised
    }
    // What was decoded is checked even when the stream broke off: the entries say more.
    decodedTar.seek(0, ByteStream::Origin::Begin);
    TarEntryRules rules;
    rules.check(decodedTar);
    problems << rules.problems();
    if (whole && decoding.completeStreams() > 0 && rules.entries() == 0)
        problems << QStringLiteral("the tar archive holds no entries");
    return {.problems = problems};
}

ArchiveCheck checkThemeArchive(const QString& path, std::int64_t maxSize) {
    std::optional<FileStream> in;
    try {
        in.emplace(path.toStdString(), FileStream::Mode::OpenRead);
    } catch (const Exception& error) {
        return {.problems = {QStringLiteral("the archive cannot be read: ") +
                             QString::fromUtf8(error.what())}};
    }
    // A temporary folder that takes no file, or a disk that fills, is this machine's fault,
    // said as such: the archive is not to blame.
    const platform::TemporaryFile decoded;
    if (!decoded)
        return {.localFault = texts::kTemporaryFolderFault.arg(printableName(decoded.problem()))};
    std::optional<FileStream> file;
    std::optional<CappedStream> tar;
    try {
        file.emplace(decoded.path(), FileStream::Mode::OpenWrite);
        tar.emplace(*file, maxSize);
        return checkThemeArchive(*in, *tar, maxSize);
    } catch (const Exception& error) {
        const int reason = tar ? tar->writeError() : 0;
        return {.localFault = texts::kTemporaryWriteFault.arg(
                    printableName(decoded.path()),
                    reason != 0 ? QString::fromLocal8Bit(std::strerror(reason))
                                : QString::fromUtf8(error.what()))};
    }
}

} // namespace palvex::theme
