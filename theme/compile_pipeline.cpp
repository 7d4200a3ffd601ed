// The compile pipeline's steps: pack the workspace into a tar outside it, then compress that
// into the output file.
#include "bzip2/bzip2_coder.h"
#include "platform/exception.h"
#include "platform/file_operations.h"
#include "platform/temporary_file.h"
#include "platform/temporary_files.h"
#include "theme/archive_pipelines.h"
#include "theme/printable_text.h"
#include "theme/texts.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace palvex::theme {

namespace {

std::string local(const QString& path) {
    return path.toStdString();
}

} // namespace

// Each error of the writer is one log line naming the file and, where the writer gives one,
// the reason; the first line is kept for the pipeline's closing error.
void ArchivePipelines::logWriterErrors(QString& firstError) {
    archiveErrors_ = 0;
    Tar1.OnError = [this, &firstError](archive::TZipCommon&, const std::string& fileName,
                                       const std::string& extended, const std::string&, int code) {
        if (code == archive::error_code::UserCanceled)
            return; // the run says once that it was cancelled
        ++archiveErrors_;
        QString line = QString::fromStdString(archive::errorText(code));
        if (!fileName.empty())
            line += QStringLiteral(" : ") + printableName(fileName);
        if (!extended.empty() && extended != "0")
            line += QStringLiteral(" (") + printableName(extended) + QLatin1Char(')');
        session_.ui.appendLog(line);
        if (firstError.isEmpty())
            firstError = line;
    };
    Tar1.OnWarning = [this](archive::TZipCommon&, const std::string& fileName,
                            const std::string& text) {
        session_.ui.appendLog(texts::kWarning.arg(printableName(fileName), printableName(text)));
    };
}

void ArchivePipelines::packWorkspace(const std::string& tarFile) {
    Tar1.setArchiveFile(tarFile);
    Tar1.DateAttribute = archive::daFileDate;
    Tar1.StoredDirNames = archive::sdRelative;
    Tar1.RecurseDirs = true;
    Tar1.Switch = archive::swAdd;
    Tar1.StoreEmptySubDirs = true;
    // Hidden folders are packed like hidden files: a compile stores every file or names it.
    Tar1.IncludeHiddenDirs = true;
    Tar1.ExcludeSpec.clear();
    Tar1.FileSpec = {local(session_.workspace) + "/"};
    using archive::TarqFileAttribute;
    for (TarqFileAttribute e : {archive::fsZeroAttr, archive::fsArchive, archive::fsDirectory,
                                archive::fsHidden, archive::fsReadOnly, archive::fsSysFile})
        Tar1.SetAttribute(e, true);
    for (TarqFileAttribute e : {archive::fsZeroAttr, archive::fsArchive, archive::fsDirectory,
                                archive::fsHidden, archive::fsReadOnly, archive::fsSysFile})
        Tar1.SetAttributeEx(e, false);
    Tar1.Compress();
}

void ArchivePipelines::compileWorkspace(const QString& output) {
    cancelled_ = false;
    shownPercent_ = -1;
    // The tar lies outside the workspace: the compile changes nothing there, a user's own
    // img.tar is packed like any other file, and a full disk leaves no partial tar behind.
    // Named with the writer's extension, which it would otherwise append.
    std::string problem;
    const platform::TemporaryFile tar(platform::temporaryFolder(&problem), "arq", ".tar");
    if (!tar) {
        session_.ui.appendLog(texts::kCompileError +
                              texts::kTemporaryFolderFault.arg(QString::fromStdString(
                                  problem.empty() ? tar.problem() : problem)));
        return;
    }
    QString firstError;
    logWriterErrors(firstError);
    beginStep(0, 10); // packing is quick beside compressing
    packWorkspace(tar.path());
    Tar1.OnError = nullptr; // it refers to firstError, which is about to go
    if (cancelled_)
        return session_.ui.appendLog(texts::kCompileCancelled);
    // A compile that left a file out must not say it is done.
    if (!firstError.isEmpty()) {
        session_.ui.appendLog(texts::kCompileError + firstError);
        return;
    }
    beginStep(10, 100);
    try {
        compressInto(tar.path(), output);
    } catch (const Exception& error) {
        session_.ui.appendLog(cancelled_
                                  ? texts::kCompileCancelled
                                  : texts::kCompileError + QString::fromStdString(error.what()));
        return;
    }
    session_.changed = false; // every change is in the theme now
    session_.ui.appendLog(texts::kProcessDone);
}

// The compressed stream goes to a new file beside the output, which takes the output's name
// only when complete: a failed compile leaves an existing output as it was.
void ArchivePipelines::compressInto(const std::string& tarFile, const QString& output) {
    const std::string target = local(output);
    FileStream in(tarFile, FileStream::Mode::OpenRead);
    platform::TemporaryFile staging(local(QFileInfo(output).absolutePath()),
                                    "." + local(QFileInfo(output).fileName()) + ".");
    if (!staging)
        throw Exception("Cannot create file \"" + target + "\". " + std::strerror(errno));
    {
        FileStream out(staging.path(), FileStream::Mode::OpenWrite);
        Tbzip2 coder;
        followProgress(coder);
        coder.CompressStream(in, out);
        platform::setDefaultPermissions(out.descriptor());
        out.close();
    }
    if (!platform::renameFile(staging.path(), target))
        throw Exception("Cannot create file \"" + target + "\". " + std::strerror(errno));
    staging.release();
}

} // namespace palvex::theme
