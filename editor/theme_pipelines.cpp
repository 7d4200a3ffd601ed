// The open, unpack and compile pipelines of the editor.
#include "bzip2/bzip2_coder.h"
#include "editor/editor_layout.h"
#include "editor/editor_texts.h"
#include "editor/file_functions.h"
#include "editor/one_pipeline.h"
#include "editor/theme_editor.h"
#include "editor/workspace.h"
#include "platform/exception.h"
#include "platform/temporary_files.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/stat.h>

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
    component.OnError = [this, firstError](TZipCommon&, const std::string& fileName,
                                           const std::string&, const std::string&, int code) {
        ++archiveErrors_;
        const QString text = QString::fromStdString(archive::errorText(code));
        ui_.appendLog(fileName.empty()
                          ? text
                          : text + QStringLiteral(" : ") + QString::fromStdString(fileName));
        if (firstError && firstError->isEmpty())
            *firstError = text;
    };
    component.ProcessMessages = [this] {
        ui_.serviceMessages();
    };
}

void ThemeEditor::unpack() {
    OnePipeline one(running_, ui_);
    if (one)
        unpackInput();
}

void ThemeEditor::unpackInput() {
    const QString input = view_.inputFile();
    const QString name = QFileInfo(input).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot);

    QString toExtract = input;
    QString temporary;
    // Byte-wise: ".BZ2" is read as a plain tar.
    if (extension == QLatin1String(".bz2")) {
        ui_.appendLog(texts::kUnpacking);
        const QString folder = QString::fromStdString(platform::temporaryFolder());
        temporary = folder + (dot < 0 ? name : name.left(dot));
        try {
            if (folder.isEmpty())
                throw Exception("no temporary folder");
            FileStream out(local(temporary), FileStream::Mode::Create);
            FileStream in(local(input), FileStream::Mode::OpenRead);
            Tbzip2().DecompressStream(in, out);
            out.close();
        } catch (const Exception&) {
            // A partial tar must not be left lying about.
            if (!folder.isEmpty())
                std::remove(local(temporary).c_str());
            ui_.beep();
            ui_.showMessage(texts::kUnpackError);
            return;
        }
        toExtract = temporary;
    }
    extractInto(toExtract);
    if (!temporary.isEmpty())
        std::remove(local(temporary).c_str());
}

void ThemeEditor::extractInto(const QString& archive) {
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
    BusyCursor busy(ui_);
    ui_.appendLog(texts::kCompiling);

    // Every compile starts from an empty archive: an img.tar left by the last one would
    // otherwise keep old copies of changed pictures and be packed into the new one.
    const QString tarFile = workspaceTarFile(workspace_);
    std::remove(local(tarFile).c_str());

    QString writerError;
    logArchiveErrors(Tar1, &writerError);
    Tar1.setArchiveFile(local(tarFile));
    Tar1.DateAttribute = archive::daFileDate;
    Tar1.StoredDirNames = archive::sdRelative;
    Tar1.RecurseDirs = true;
    Tar1.Switch = archive::swAdd;
    Tar1.StoreEmptySubDirs = true;
    Tar1.ExcludeSpec.clear();
    Tar1.FileSpec = {local(workspace_) + "/"};
    using archive::TarqFileAttribute;
    for (TarqFileAttribute e : {archive::fsZeroAttr, archive::fsArchive, archive::fsDirectory,
                                archive::fsHidden, archive::fsReadOnly, archive::fsSysFile})
        Tar1.SetAttribute(e, true);
    for (TarqFileAttribute e : {archive::fsZeroAttr, archive::fsArchive, archive::fsDirectory,
                                archive::fsHidden, archive::fsReadOnly, archive::fsSysFile})
        Tar1.SetAttributeEx(e, false);
    Tar1.Compress();

    // A compile that left pictures out must not say it is done.
    if (!writerError.isEmpty()) {
        ui_.appendLog(texts::kCompileError + writerError);
        return;
    }
    try {
        compressInto(output);
    } catch (const Exception& error) {
        ui_.appendLog(texts::kCompileError + QString::fromStdString(error.what()));
        return;
    }
    ui_.appendLog(texts::kProcessDone);
}

// The compressed stream goes to a new file beside the output, which takes the output's name
// only when complete: a failed compile leaves an existing output as it was.
void ThemeEditor::compressInto(const QString& output) {
    const std::string target = local(output);
    const std::string folder = local(QFileInfo(output).absolutePath());
    FileStream in(local(workspaceTarFile(workspace_)), FileStream::Mode::OpenRead);
    const std::string staging =
        platform::createTemporaryFile(folder, "." + local(QFileInfo(output).fileName()) + ".");
    if (staging.empty())
        throw Exception("Cannot create file \"" + target + "\". " + std::strerror(errno));
    struct Staging {
        std::string path;
        ~Staging() {
            if (!path.empty())
                std::remove(path.c_str());
        }
    } cleanup{staging};
    {
        FileStream out(staging, FileStream::Mode::OpenWrite);
        Tbzip2().CompressStream(in, out);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(out.descriptor(), 0666 & ~mask);
        out.close();
    }
    if (std::rename(staging.c_str(), target.c_str()) != 0)
        throw Exception("Cannot create file \"" + target + "\". " + std::strerror(errno));
    cleanup.path.clear();
}

} // namespace palvex::editor
