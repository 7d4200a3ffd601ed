#pragma once

#include "theme/archive_kind.h"
#include "theme/theme_session.h"

#include "archive/tar.h"
#include "archive/un_tar.h"
#include "platform/temporary_file.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace palvex {
class Tbzip2;
}

namespace palvex::theme {

// The unpack and compile pipelines of one editor, free of widgets and pictures: the same code
// runs behind the window, the command line and the tests.
class ArchivePipelines {
public:
    explicit ArchivePipelines(ThemeSession& session);

    // Names the archive in the input field, unpacks it, then runs `afterUnpack` (the preview)
    // while the workspace is still held; nothing when there is no such file, another run goes
    // on, or another program holds the workspace.
    void openArchiveFile(const QString& archive, const std::function<void()>& afterUnpack = {});
    // Unpacks the archive named in the input field into the workspace.
    void unpack();
    // Packs the workspace into a temporary tar and compresses that into the output file.
    void compile();

    // The most a theme archive may unpack to; a larger one is refused before the workspace
    // is touched.
    static constexpr std::int64_t kDefaultMaxTarSize = theme::kDefaultMaxTarSize;
    void setMaxTarSize(std::int64_t bytes) { maxTarSize_ = bytes; }

    // How many errors the archive components reported in the last unpack or compile.
    int archiveErrors() const { return archiveErrors_; }
    // What failed on this machine rather than in the archive during the last unpack (the
    // temporary folder, a full disk); empty when nothing did.
    const QString& localFault() const { return localFault_; }
    // Whether the user stopped the last unpack or compile.
    bool cancelled() const { return cancelled_; }

    // Whether an unpack that holds none of the model's slot files but some of the other
    // model's says so; off where no model was chosen.
    bool warnOfOtherModel = true;

    archive::TUnTar UnTar1;
    archive::TTar Tar1;

private:
    void followProgress(archive::TZipCommon& component);
    bool cancelNow();
    // The bzip2 step's progress and cancel go the way the archive components' do.
    void followProgress(Tbzip2& coder);
    // The share of the run the next step covers, in per cent: its own progress maps onto it.
    void beginStep(int from, int to);
    void stepDone(std::int64_t done, std::int64_t total);
    void logArchiveErrors(archive::TZipCommon& component, QString* firstError = nullptr);
    void logUnpackCancelled();
    void warnOfOtherModelsFiles();
    void unpackInput();
    void extractInto(const QString& archive);
    bool decodeInto(const QString& input, const platform::TemporaryFile& temporary);
    void refuseUnpack();
    bool failLocally(const QString& text);
    void compileWorkspace(const QString& output);
    void logWriterErrors(QString& firstError);
    void packWorkspace(const std::string& tarFile);
    void compressInto(const std::string& tarFile, const QString& output);

    ThemeSession& session_;
    int archiveErrors_ = 0;
    QString localFault_;
    std::int64_t maxTarSize_ = kDefaultMaxTarSize;
    bool cancelled_ = false;
    int stepFrom_ = 0, stepTo_ = 100, shownPercent_ = -1;
    int writtenCount_ = 0;      // files a cancelled unpack leaves behind
    QStringList writtenNames_;  // the first few of them
    QStringList unpackedNames_; // every file the unpack wrote, below the workspace
};

} // namespace palvex::theme
