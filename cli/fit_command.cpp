#include "cli/fit_command.h"

#include "cli/console_ui.h"
#include "pictures/slot_fitting.h"
#include "pictures/theme_editor.h"
#include "platform/exception.h"
#include "theme/file_functions.h"
#include "theme/output_target.h"
#include "theme/printable_text.h"
#include "theme/texts.h"

#include <QDir>

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
        context.err << name << " : not fitted" << Qt::endl;
    } catch (const Exception& error) {
        context.err << name << " : " << error.what() << Qt::endl;
    }
    return false;
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
    int done = 0, failed = 0, unmatched = 0;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
        // A designer's mi1.png goes to the slot whose file is mi1.gif.
        const auto slot = theme::findSlot(model, [&](const QString& path) {
            return QFileInfo(path).completeBaseName() == entry.completeBaseName();
        });
        if (!slot) {
            context.out << entry.fileName() << " matches no slot; left alone" << Qt::endl;
            ++unmatched;
            continue;
        }
        const FitRequest request{model, *slot, entry.absoluteFilePath(), fill};
        ++(fitFolderEntry(context, request, entry.fileName()) ? done : failed);
    }
    context.out << "Fitted " << done << ", failed " << failed << ", matched no slot " << unmatched
                << Qt::endl;
    return failed == 0 ? 0 : 1;
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
