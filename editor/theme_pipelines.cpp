// The open, unpack and compile pipelines of the editor.
#include "bzip2/bzip2_coder.h"
#include "editor/archive_kind.h"
#include "editor/editor_layout.h"
#include "editor/editor_texts.h"
#include "editor/file_functions.h"
#include "editor/one_pipeline.h"
#include "editor/theme_editor.h"
#include "editor/workspace.h"
#include "editor/workspace_lock.h"
#include "platform/capped_stream.h"
#include "platform/exception.h"
#include "platform/temporary_file.h"
#include "platform/temporary_files.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <optional>

namespace palvex::editor {

namespace {

using archive::TZipCommon;

std::string local(const QString& path) {
    return path.toStdString();
}

} // namespace

ThemeEditor::ThemeEditor(TerminalModel model, PipelineUi& ui, EditorView& view,
                         QString workspaceRoot)
    : model_(model), ui_(ui), view_(view), workspace_(std::move(workspaceRoot)) {}

void ThemeEditor::logArchiveErrors(TZipCommon& component, QString* firstError) {
    archiveErrors_ = 0;
    component.OnError = [this, firstError](TZipCommon& sender, const std::string& fileName,
                                           const std::string&, const std::string&, int code) {
        ++archiveErrors_;
        const QString text = QString::fromStdString(archive::errorText(code));
        QString line = fileName.empty()
                           ? text
                           : text + QStringLiteral(" : ") + QString::fromStdString(fileName);
        if (!sender.ErrorReason().empty())
            line += QStringLiteral(" (") + QString::fromStdString(sender.ErrorReason()) +
                    QLatin1Char(')');
        ui_.appendLog(line);
        if (firstError && firstError->isEmpty())
            *firstError = text;
    };
    component.ProcessMessages = [this] {
        ui_.serviceMessages();
    };
}

void ThemeEditor::unpack() {
    OnePipeline one(running_, ui_);
    if (!one)
        return;
    const WorkspaceGuard lock(workspace_, ui_);
    if (lock)
        unpackInput();
}

void ThemeEditor::unpackInput() {
    const QString input = view_.inputFile();
    const ArchiveProbe probe = probeArchive(local(input));
    if (probe.kind != ArchiveKind::Tar)
        ui_.appendLog(texts::kUnpacking);
    if (probe.kind == ArchiveKind::Unknown)
        return refuseUnpack();
    if (probe.kind == ArchiveKind::Tar) {
        if (probe.size > maxTarSize_) {
            ui_.appendLog(texts::kArchiveTooLarge.arg(maxTarSize_));
            return refuseUnpack();
        }
        return extractInto(input);
    }
    // A name of its own: two unpacks at once never share the decoded tar.
    const platform::TemporaryFile temporary;
    if (!decodeInto(input, temporary.path()))
        return;
    // A bzip2 stream of anything else (or of nothing) is no theme: refused like any other.
    if (probeArchive(temporary.path()).kind != ArchiveKind::Tar)
        return refuseUnpack();
    extractInto(QString::fromStdString(temporary.path()));
}

bool ThemeEditor::decodeInto(const QString& input, const std::string& temporary) {
    bool tooLarge = false;
    try {
        if (temporary.empty())
            throw Exception("no temporary file");
        FileStream out(temporary, FileStream::Mode::OpenWrite);
        CappedStream capped(out, maxTarSize_);
        FileStream in(local(input), FileStream::Mode::OpenRead);
        try {
            Tbzip2().DecompressStream(in, capped);
        } catch (const Exception&) {
            tooLarge = capped.limitReached();
            throw;
        }
        out.close();
        return true;
    } catch (const Exception& error) {
        if (tooLarge)
            ui_.appendLog(texts::kArchiveTooLarge.arg(maxTarSize_));
        else if (std::string_view(error.what()) == "Disk full")
            ui_.appendLog(texts::kDiskFull + QString::fromStdString(temporary));
        refuseUnpack();
        return false;
    }
}

void ThemeEditor::refuseUnpack() {
    ui_.beep();
    ui_.showMessage(texts::kUnpackError);
}

void ThemeEditor::extractInto(const QString& archive) {
    undo_.clear(); // kept pictures of the old content must not go over the new
    logArchiveErrors(UnTar1);
    UnTar1.setArchiveFile(local(archive));
    UnTar1.setExtractDir(local(workspace_));
    UnTar1.DateAttribute = archive::daFileDate;
    UnTar1.ConfirmOverwrites = false;
    UnTar1.OverwriteMode = archive::omOverwrite;
    UnTar1.RestoreFileAttr = false;
    UnTar1.CreateStoredDirs = true;
    UnTar1.TranslateOemChar = true;
    UnTar1.RecurseDirs = true;
    UnTar1.FileSpec = {"*.*"};
    const int count = UnTar1.Extract();
    ui_.appendLog(texts::kUnpackedFiles + QString::number(count));
}

void ThemeEditor::compile() {
    OnePipeline one(running_, ui_);
    if (!one)
        return;
    const QString output = view_.outputFile();
    if (output.isEmpty()) {
        ui_.showError(texts::kSelectOutput);
        view_.focusOutputFile();
        return;
    }
    if (!outputOutsideWorkspace(output))
        return;
    const WorkspaceGuard lock(workspace_, ui_);
    if (!lock)
        return;
    BusyCursor busy(ui_);
    ui_.appendLog(texts::kCompiling);
    compileWorkspace(output);
}

} // namespace palvex::editor
