// The open, unpack and compile pipelines of the editor.
#include "theme/archive_pipelines.h"
#include "bzip2/bzip2_coder.h"
#include "platform/capped_stream.h"
#include "platform/exception.h"
#include "platform/temporary_file.h"
#include "platform/temporary_files.h"
#include "theme/archive_kind.h"
#include "theme/compile_findings.h"
#include "theme/file_functions.h"
#include "theme/one_pipeline.h"
#include "theme/output_target.h"
#include "theme/printable_text.h"
#include "theme/texts.h"
#include "theme/workspace.h"
#include "theme/workspace_lock.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

namespace palvex::theme {

namespace {

using archive::TZipCommon;

constexpr qsizetype kWrittenNamesShown = 3;

std::string local(const QString& path) {
    return path.toStdString();
}

} // namespace

ArchivePipelines::ArchivePipelines(ThemeSession& session) : session_(session) {
    followProgress(UnTar1);
    followProgress(Tar1);
}

// The archive components report their progress on the whole archive and, at every chunk, let
// the user stop them.
void ArchivePipelines::followProgress(TZipCommon& component) {
    component.OnProgress = [this](TZipCommon&, std::uint8_t, std::uint8_t byArchive) {
        stepDone(byArchive, 100);
    };
    component.ProcessMessages = [this, &component] {
        if (!component.Cancel() && cancelNow())
            component.setCancel(true);
    };
}

bool ArchivePipelines::cancelNow() {
    cancelled_ = cancelled_ || session_.ui.cancelRequested();
    return cancelled_;
}

void ArchivePipelines::beginStep(int from, int to) {
    stepFrom_ = from;
    stepTo_ = to;
}

void ArchivePipelines::stepDone(std::int64_t done, std::int64_t total) {
    const double share = total > 0 ? double(std::clamp<std::int64_t>(done, 0, total)) / total : 0;
    const int percent = stepFrom_ + int((stepTo_ - stepFrom_) * share);
    if (percent != shownPercent_)
        session_.ui.showProgress(shownPercent_ = percent);
}

void ArchivePipelines::followProgress(Tbzip2& coder) {
    coder.OnProgress = [this](std::int64_t done, std::int64_t total, bool& cancel) {
        stepDone(done, total);
        cancel = cancelNow();
    };
}

void ArchivePipelines::openArchiveFile(const QString& archive,
                                       const std::function<void()>& afterUnpack) {
    OnePipeline one(session_.running, session_.ui);
    if (!one)
        return;
    session_.view.setInputFile(archive);
    if (!existsAsFile(session_.view.inputFile()))
        return;
    const WorkspaceGuard lock(session_.workspace, session_.ui);
    if (!lock)
        return;
    BusyCursor busy(session_.ui);
    unpackInput();
    if (afterUnpack && !cancelled_)
        afterUnpack();
}

void ArchivePipelines::logArchiveErrors(TZipCommon& component, QString* firstError) {
    archiveErrors_ = 0;
    component.OnError = [this, firstError](TZipCommon& sender, const std::string& fileName,
                                           const std::string&, const std::string&, int code) {
        if (code == archive::error_code::UserCanceled)
            return; // the run says once that it was cancelled
        ++archiveErrors_;
        const QString text = QString::fromStdString(archive::errorText(code));
        // Names come from the archive: shown with their control characters and stray bytes
        // escaped, so that none forges a log line.
        QString line =
            fileName.empty() ? text : text + QStringLiteral(" : ") + printableName(fileName);
        if (!sender.ErrorReason().empty())
            line += QStringLiteral(" (") + printableName(sender.ErrorReason()) + QLatin1Char(')');
        session_.ui.appendLog(line);
        if (code == archive::error_code::DiskFull)
            localFault_ = line;
        if (firstError && firstError->isEmpty())
            *firstError = text;
    };
    component.OnWarning = [this](TZipCommon&, const std::string& fileName,
                                 const std::string& text) {
        session_.ui.appendLog(texts::kWarning.arg(printableName(fileName), printableName(text)));
    };
}

void ArchivePipelines::unpack() {
    OnePipeline one(session_.running, session_.ui);
    if (!one)
        return;
    const WorkspaceGuard lock(session_.workspace, session_.ui);
    if (lock)
        unpackInput();
}

void ArchivePipelines::unpackInput() {
    localFault_.clear();
    cancelled_ = false;
    shownPercent_ = -1;
    writtenCount_ = 0;
    writtenNames_.clear();
    unpackedNames_.clear();
    const QString input = session_.view.inputFile();
    const ArchiveProbe probe = probeArchive(local(input));
    if (probe.kind != ArchiveKind::Tar)
        session_.ui.appendLog(texts::kUnpacking);
    if (probe.kind == ArchiveKind::Unknown)
        return refuseUnpack();
    if (probe.kind == ArchiveKind::Tar) {
        if (probe.size > maxTarSize_) {
            session_.ui.appendLog(texts::kArchiveTooLarge.arg(maxTarSize_));
            return refuseUnpack();
        }
        beginStep(0, 100);
        return extractInto(input);
    }
    // A name of its own: two unpacks at once never share the decoded tar.
    const platform::TemporaryFile temporary;
    beginStep(0, 90); // decoding takes most of the time
    if (!decodeInto(input, temporary))
        return;
    // A bzip2 stream of anything else (or of nothing) is no theme: refused like any other.
    if (probeArchive(temporary.path()).kind != ArchiveKind::Tar)
        return refuseUnpack();
    beginStep(90, 100);
    extractInto(QString::fromStdString(temporary.path()));
}

// A temporary folder that takes no file, or a disk that fills, is said as such: the archive
// is not to blame.
bool ArchivePipelines::decodeInto(const QString& input, const platform::TemporaryFile& temporary) {
    if (!temporary)
        return failLocally(texts::kTemporaryFolderFault.arg(printableName(temporary.problem())));
    const QString path = printableName(temporary.path());
    try {
        FileStream out(temporary.path(), FileStream::Mode::OpenWrite);
        CappedStream capped(out, maxTarSize_);
        Tbzip2 coder;
        followProgress(coder);
        // The decoder itself stops at the limit, before decoding what no one would keep.
        coder.setMaxOutput(maxTarSize_);
        try {
            FileStream in(local(input), FileStream::Mode::OpenRead);
            coder.DecompressStream(in, capped);
        } catch (const Exception&) {
            if (cancelled_) {
                logUnpackCancelled();
                return false;
            }
            if (capped.writeError() != 0)
                return failLocally(texts::kTemporaryWriteFault.arg(
                    path, QString::fromLocal8Bit(std::strerror(capped.writeError()))));
            if (capped.limitReached() || coder.OutputLimitReached())
                session_.ui.appendLog(texts::kArchiveTooLarge.arg(maxTarSize_));
            refuseUnpack();
            return false;
        }
        out.close();
        return true;
    } catch (const Exception& error) { // opening or closing the temporary file
        return failLocally(QString::fromStdString(error.what()));
    }
}

bool ArchivePipelines::failLocally(const QString& text) {
    localFault_ = text;
    session_.ui.showError(text);
    return false;
}

void ArchivePipelines::refuseUnpack() {
    session_.ui.beep();
    session_.ui.showMessage(texts::kUnpackError);
}

void ArchivePipelines::extractInto(const QString& archive) {
    session_.undo.clear(); // kept pictures of the old content must not go over the new
    logArchiveErrors(UnTar1);
    UnTar1.setArchiveFile(local(archive));
    UnTar1.setExtractDir(local(session_.workspace));
    UnTar1.DateAttribute = archive::daFileDate;
    UnTar1.ConfirmOverwrites = false;
    UnTar1.OverwriteMode = archive::omOverwrite;
    UnTar1.RestoreFileAttr = false;
    UnTar1.CreateStoredDirs = true;
    UnTar1.TranslateOemChar = true;
    UnTar1.RecurseDirs = true;
    UnTar1.FileSpec = {"*.*"};
    UnTar1.MaxUnpackedSize = maxTarSize_;
    UnTar1.OnEnd = [this](TZipCommon&, const std::string& path, bool written) {
        if (!written)
            return;
        // The name below the workspace, as the archive gave it: escaped like every name.
        const std::string root = local(session_.workspace) + "/";
        const std::string relative = path.rfind(root, 0) == 0 ? path.substr(root.size()) : path;
        if (writtenNames_.size() < kWrittenNamesShown)
            writtenNames_ << printableName(relative);
        unpackedNames_ << QDir::cleanPath(nameText(relative)); // "./image/..." too
        ++writtenCount_;
    };
    const int count = UnTar1.Extract();
    UnTar1.OnEnd = nullptr;
    if (cancelled_)
        return logUnpackCancelled();
    session_.ui.appendLog(texts::kUnpackedFiles + QString::number(count));
    session_.changed = false; // the workspace is the archive's now
    warnOfOtherModelsFiles();
}

// An archive of the other model unpacks without an error, and would show nothing but the
// previous slot's picture: one line says whose files it holds.
void ArchivePipelines::warnOfOtherModelsFiles() {
    if (!warnOfOtherModel)
        return;
    if (const auto other = namesOfOtherModel(session_.model, unpackedNames_))
        session_.ui.appendLog(texts::kArchiveOfOtherModel.arg(
            modelDisplayName(session_.model),
            QString::number(slotFilesAmong(*other, unpackedNames_)), modelDisplayName(*other)));
}

// One line: what a cancelled unpack left in the workspace, by count and the first names.
void ArchivePipelines::logUnpackCancelled() {
    if (writtenCount_ == 0)
        return session_.ui.appendLog(texts::kUnpackCancelledEarly);
    QString names = writtenNames_.join(QStringLiteral(", "));
    if (writtenCount_ > writtenNames_.size())
        names += QStringLiteral(" and %1 more").arg(writtenCount_ - writtenNames_.size());
    const QString files = writtenCount_ == 1 ? QStringLiteral("1 file")
                                             : QStringLiteral("%1 files").arg(writtenCount_);
    session_.ui.appendLog(texts::kUnpackCancelled.arg(files, names));
}

void ArchivePipelines::compile() {
    OnePipeline one(session_.running, session_.ui);
    if (!one)
        return;
    const QString output = session_.view.outputFile();
    if (output.isEmpty()) {
        session_.ui.showError(texts::kSelectOutput);
        session_.view.focusOutputFile();
        return;
    }
    if (const auto refusal = outputRefusal(output, {session_.workspace, {}, {}})) {
        session_.ui.showError(*refusal);
        return;
    }
    const WorkspaceGuard lock(session_.workspace, session_.ui);
    if (!lock)
        return;
    BusyCursor busy(session_.ui);
    session_.ui.appendLog(texts::kCompiling);
    compileWorkspace(output);
}

} // namespace palvex::theme
