#include "cli/fit_command.h"

#include "cli/console_ui.h"
#include "pictures/slot_fitting.h"
#include "pictures/theme_editor.h"
#include "platform/directory_listing.h"
#include "platform/exception.h"
#include "platform/file_attributes.h"
#include "platform/file_operations.h"
#include "theme/file_functions.h"
#include "theme/output_target.h"
#include "theme/printable_text.h"
#include "theme/texts.h"

#include <QDir>
#include <algorithm>
#include <map>

namespace palvex::cli {

namespace {

using pictures::ThemeEditor;
using theme::TerminalModel;

struct FitRequest {
    TerminalModel model;
    int slot;
    QString picture;
    bool fill;
};

QString absolute(const QString& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

QString slotFile(CommandContext& context, const FitRequest& request) {
    return *theme::slotPath(request.model, request.slot, context.workspace);
}

pictures::FittedPicture fitted(CommandContext& context, const FitRequest& request) {
    const pictures::FitTarget target =
        pictures::slotFitTarget(request.model, request.slot, context.workspace, request.fill);
    return pictures::PictureFitter(target).fit(pictures::readPictureToFit(request.picture));
}

// The names a file of the slot's format may have.
QStringList formatSuffixes(const QString& slotFile) {
    if (pictures::slotFormatOf(slotFile) == pictures::SlotFormat::Jpeg)
        return {QStringLiteral(".jpg"), QStringLiteral(".jpeg")};
    return {QLatin1Char('.') + QFileInfo(slotFile).suffix().toLower()};
}

// The fitted picture goes through the change as a picture of the slot file's own name.
bool changeSlot(CommandContext& context, const FitRequest& request, bool echo) {
    ConsoleUi ui(context.out, context.err);
    ui.slot = request.slot;
    ui.echoLog = false;
    ThemeEditor editor(request.model, ui, ui, context.workspace);
    if (editor.slotEditor().previewSelectedSlot() != pictures::SlotEditor::PreviewResult::Shown) {
        context.err << "The slot's file cannot be previewed, so it cannot be changed: "
                    << QDir::toNativeSeparators(slotFile(context, request)) << Qt::endl;
        return false;
    }
    const pictures::FittedPicture picture = fitted(context, request);
    const QString name = theme::displayName(editor.slotEditor().currentSlotFile());
    const pictures::StagedPicture staged(name, picture.bytes);
    context.out << theme::printable(pictures::fittedLine(name, picture)) << Qt::endl;
    ui.echoLog = echo;
    const qsizetype before = ui.logLines.size();
    editor.slotEditor().replaceCurrentSlot(staged.path());
    return ui.logLines.size() > before &&
           ui.logLines[before].startsWith(theme::texts::kReplacedImage) && ui.errorCount() == 0;
}

// The output is checked before the picture is read: it is never the picture itself, a file
// of the workspace, anything but a file, nor of another format than the slot's.
int fitToFile(CommandContext& context, const FitRequest& request, const QString& output) {
    const theme::OutputRules rules{
        context.workspace, {request.picture}, formatSuffixes(slotFile(context, request))};
    if (const auto refusal = theme::outputRefusal(output, rules)) {
        context.err << theme::printable(*refusal) << Qt::endl;
        return 1;
    }
    const pictures::FittedPicture picture = fitted(context, request);
    QString reason;
    if (!theme::writeOutputFile(output, picture.bytes, &reason)) {
        context.err << theme::printable(QStringLiteral("Cannot write %1: %2")
                                            .arg(QDir::toNativeSeparators(output), reason))
                    << Qt::endl;
        return 1;
    }
    context.out << theme::printable(pictures::fittedLine(QFileInfo(output).fileName(), picture))
                << Qt::endl;
    return 0;
}

int fitOne(CommandContext& context, TerminalModel model) {
    if (context.arguments.size() != 3) {
        context.err << "Usage: palvex-theme fit MODEL SLOT PICTURE [--fill] [--output FILE]"
                    << Qt::endl;
        return 2;
    }
    const auto slot = parseSlot(context, model, context.arguments[1]);
    if (!slot)
        return 2;
    const FitRequest request{model, *slot, absolute(context.arguments[2]),
                             context.parser.isSet(QStringLiteral("fill"))};
    if (context.parser.isSet(QStringLiteral("output")))
        return fitToFile(context, request,
                         absolute(context.parser.value(QStringLiteral("output"))));
    return changeSlot(context, request, true) ? 0 : 1;
}

bool fitFolderEntry(CommandContext& context, const FitRequest& request, const QString& name) {
    try {
        if (changeSlot(context, request, false))
            return true;
        context.err << theme::printable(name) << " : not fitted" << Qt::endl;
    } catch (const Exception& error) {
        context.err << theme::printable(name + QStringLiteral(" : ") + error.what()) << Qt::endl;
    }
    return false;
}

// A picture of the folder that names a slot, and what is read for it.
struct FolderPicture {
    QString name;
    QString path;
};

struct FolderCounts {
    int done = 0, failed = 0, unmatched = 0, skipped = 0, several = 0;
};

// Why an entry of the folder is not read, or nothing; for a link that stays inside the folder,
// path becomes the file it points to. A link out of the folder is never followed: a picture
// folder from elsewhere may hold one to a private file.
std::optional<QString> whyNotRead(const QString& folder, const platform::DirectoryEntry& entry,
                                  QString& path) {
    using platform::EntryKind;
    // By the name's own bytes: a name that is not UTF-8 does not survive the trip through text.
    std::string looked = folder.toStdString() + '/' + entry.name;
    if (entry.isLink) {
        const QString target = QFileInfo(path).canonicalFilePath();
        const QString inside = QFileInfo(folder).canonicalFilePath() + QLatin1Char('/');
        if (!target.startsWith(inside))
            return theme::texts::kSkippedLinkOut;
        path = target;
        looked = path.toStdString();
    }
    const EntryKind kind = platform::entryKind(looked);
    if (kind == EntryKind::Folder)
        return theme::texts::kAFolder;
    if (kind != EntryKind::RegularFile)
        return theme::texts::kSkippedSpecial.arg(theme::entryKindName(kind));
    if (!platform::isReadable(looked))
        return theme::texts::kSkippedUnreadable;
    return std::nullopt;
}

// The slot whose file has the picture's base name, in any case (a designer's MI11.PNG goes to
// mi11.gif).
std::optional<int> slotNamed(TerminalModel model, const QString& picture) {
    const QString base = QFileInfo(picture).completeBaseName();
    return theme::findSlot(model, [&](const QString& path) {
        return QFileInfo(path).completeBaseName().compare(base, Qt::CaseInsensitive) == 0;
    });
}

// The pictures of the folder by the slot each goes to; every other entry is named with the
// reason it is left alone.
std::map<int, QList<FolderPicture>> picturesBySlot(CommandContext& context, TerminalModel model,
                                                   const QString& folder, FolderCounts& counts) {
    std::vector<platform::DirectoryEntry> entries = platform::listDirectory(folder.toStdString());
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    std::map<int, QList<FolderPicture>> bySlot;
    for (const platform::DirectoryEntry& entry : entries) {
        const QString name = theme::nameText(entry.name);
        QString path = folder + QLatin1Char('/') + name;
        // Folders and FIFOs say what they are, whatever their names.
        const bool folderOrSpecial =
            entry.isSpecial || (!entry.isLink && (entry.attributes & platform::attr::Directory));
        const auto slot = folderOrSpecial ? std::nullopt : slotNamed(model, name);
        if (!folderOrSpecial && !slot) {
            context.out << theme::printable(name) << " matches no slot; left alone" << Qt::endl;
            ++counts.unmatched;
        } else if (const auto reason = whyNotRead(folder, entry, path)) {
            context.out << theme::printable(theme::texts::kFolderEntrySkipped.arg(name, *reason))
                        << Qt::endl;
            ++counts.skipped;
        } else if (slot) {
            bySlot[*slot] << FolderPicture{name, path};
        }
    }
    return bySlot;
}

int fitFolder(CommandContext& context, TerminalModel model) {
    if (context.arguments.size() != 1) {
        context.err << "Usage: palvex-theme fit MODEL --folder DIR [--fill]" << Qt::endl;
        return 2;
    }
    const QString folder = absolute(context.parser.value(QStringLiteral("folder")));
    if (!QFileInfo(folder).isDir()) {
        context.err << "No such folder: " << QDir::toNativeSeparators(folder) << Qt::endl;
        return 1;
    }
    const bool fill = context.parser.isSet(QStringLiteral("fill"));
    FolderCounts counts;
    for (const auto& [slot, pictures] : picturesBySlot(context, model, folder, counts)) {
        // Fitting them one after another would leave whichever came last: none is chosen.
        if (pictures.size() > 1) {
            QStringList names;
            for (const FolderPicture& picture : pictures)
                names << picture.name;
            context.err << theme::printable(theme::texts::kSeveralForOneSlot.arg(
                               names.join(QStringLiteral(", ")),
                               theme::displayName(*theme::slotPath(model, slot, {}))))
                        << Qt::endl;
            counts.several += static_cast<int>(pictures.size());
            continue;
        }
        const FitRequest request{model, slot, pictures.front().path, fill};
        ++(fitFolderEntry(context, request, pictures.front().name) ? counts.done : counts.failed);
    }
    context.out << theme::texts::kFolderFitted.arg(counts.done)
                       .arg(counts.failed)
                       .arg(counts.unmatched)
                       .arg(counts.skipped)
                       .arg(counts.several)
                << Qt::endl;
    return counts.failed == 0 && counts.several == 0 ? 0 : 1;
}

} // namespace

int runFit(CommandContext& context) {
    const auto model = parseModel(context, context.arguments[0]);
    if (!model)
        return 2;
    try {
        if (context.parser.isSet(QStringLiteral("folder"))) {
            if (context.parser.isSet(QStringLiteral("output"))) {
                context.err << "--output names one fitted picture; --folder fits many into their "
                               "slots: give one or the other"
                            << Qt::endl;
                return 2;
            }
            return fitFolder(context, *model);
        }
        return fitOne(context, *model);
    } catch (const Exception& error) {
        context.err << error.what() << Qt::endl;
        return 1;
    }
}

} // namespace palvex::cli
