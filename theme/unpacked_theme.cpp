#include "theme/unpacked_theme.h"

#include "theme/archive_pipelines.h"
#include "theme/printable_text.h"
#include "theme/texts.h"
#include "theme/theme_archive_check.h"

namespace palvex::theme {

namespace {

// The unpack pipeline's user, answering nothing and keeping what it is told.
class QuietUi : public PipelineUi, public EditorView {
public:
    explicit QuietUi(const QString& archive) : archive_(archive) {}

    QStringList said;

    void appendLog(const QString& line) override {
        if (line != texts::kUnpacking && !line.startsWith(texts::kUnpackedFiles))
            said << line;
    }
    void showError(const QString& text) override { said << text; }
    void showMessage(const QString& text) override { said << text; }
    void beep() override {}
    void setBusy(bool) override {}
    std::optional<QString> chooseInputArchive(const QString&) override { return archive_; }
    std::optional<QString> chooseOutputArchive() override { return std::nullopt; }
    std::optional<QString> choosePicture() override { return std::nullopt; }

    int selectedSlot() const override { return -1; }
    void selectSlot(int) override {}
    QString inputFile() const override { return archive_; }
    void setInputFile(const QString&) override {}
    QString outputFile() const override { return {}; }
    void focusOutputFile() override {}
    void showPicture(const QImage&) override {}
    void measurePicture(const QImage&) override {}
    QString fileNameCaption() const override { return {}; }
    void setFileNameCaption(const QString&) override {}
    void setFileSizeCaption(const QString&) override {}
    void setDimensionCaption(const QString&) override {}

private:
    QString archive_;
};

} // namespace

bool UnpackedTheme::unpack(TerminalModel model, const QString& archive, QString* error) {
    folder_.emplace("theme");
    if (!*folder_) {
        *error = texts::kTemporaryFolderFault.arg(printableName(folder_->problem()));
        return false;
    }
    workspace_ = QString::fromStdString(folder_->path());
    // The first stream alone passing the limit, the whole archive does too: not decoded again.
    const ArchiveCheck check = checkThemeArchive(archive, maxSize_);
    if (!check.localFault.isEmpty()) {
        *error = check.localFault;
        return false;
    }
    problems_ = check.problems;
    if (check.tooLarge)
        return true;
    QuietUi ui(archive);
    ThemeSession session(model, ui, ui, workspace_);
    ArchivePipelines pipelines(session);
    pipelines.setMaxTarSize(maxSize_);
    pipelines.warnOfOtherModel = false; // the verification names every slot that is missing
    pipelines.unpack();
    if (!pipelines.localFault().isEmpty()) {
        *error = pipelines.localFault();
        return false;
    }
    for (const QString& line : ui.said)
        problems_ << QStringLiteral("unpacking: ") + line;
    return true;
}

} // namespace palvex::theme
