#include "cli/sample_theme.h"

#include "cli/console_ui.h"
#include "pictures/picture_fitter.h"
#include "pictures/theme_editor.h"
#include "platform/temporary_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

namespace palvex::cli {

namespace {

QImage drawSlot(const QString& label, QSize size, int slot) {
    QImage image(size, QImage::Format_RGB32);
    const QColor ground = QColor::fromHsv((slot * 37) % 360, 120, 200);
    QPainter painter(&image);
    painter.fillRect(image.rect(), ground);
    painter.setPen(QPen(ground.darker(160), std::max(1, size.width() / 80)));
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(
        std::max(8, std::min(size.height() / 5, size.width() / std::max<int>(4, label.size()))));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(image.rect().adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWordWrap,
                     label);
    return image;
}

} // namespace

QByteArray samplePicture(theme::TerminalModel model, int slot) {
    const auto catalogue = theme::slotCatalogue(model);
    const theme::LimitGroup limits = theme::limitGroup(model, slot);
    const QSize box(limits.maxWidth, limits.maxHeight);
    const QImage image = drawSlot(QString::fromUtf8(catalogue[slot].label), box, slot);
    const auto format = pictures::slotFormatOf(QString::fromUtf8(catalogue[slot].relativePath));
    return pictures::PictureFitter({*format, box, limits.maxSizeKb}).fit(image).bytes;
}

QString writeSampleTheme(theme::TerminalModel model, const QString& output) {
    const platform::TemporaryFolder scratch("sample-");
    if (!scratch)
        return QString::fromStdString(scratch.problem());
    const QString workspace = QString::fromStdString(scratch.path()) + QStringLiteral("/IMAGE");
    const auto catalogue = theme::slotCatalogue(model);
    for (int slot = 0; slot < static_cast<int>(catalogue.size()); ++slot) {
        const QString path =
            workspace + QLatin1Char('/') + QString::fromUtf8(catalogue[slot].relativePath);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(samplePicture(model, slot)) < 0 ||
            !file.flush())
            return QStringLiteral("cannot write ") + path;
        // A fixed date, so that every build draws the same archive byte for byte.
        file.setFileTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC),
                         QFileDevice::FileModificationTime);
    }
    QDir().mkpath(QFileInfo(output).absolutePath());
    QString log;
    QTextStream out(&log), err(&log);
    ConsoleUi ui(out, err);
    ui.output = QFileInfo(output).absoluteFilePath();
    pictures::ThemeEditor editor(model, ui, ui, workspace);
    editor.pipelines().compile();
    return ui.logLines.value(ui.logLines.size() - 1) == QStringLiteral("Process Done!") ? QString()
                                                                                        : log;
}

} // namespace palvex::cli
