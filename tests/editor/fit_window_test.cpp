#include "editor/editor_window.h"
#include "editor/fit_actions.h"
#include "editor/fit_dialog.h"
#include "tests/support/fit_pictures.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/work_done.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace palvex::editor;
using namespace palvex::pictures;
using namespace palvex::theme;

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

// The window with slot "1. User" previewed from a 40 x 40 icon, and a large logo to fit.
class FitWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;
    QString workspace_ = scratch_.path() + "/IMAGE";
    QString slotFile_ = workspace_ + "/image/mi1.gif";
    QString logo_ =
        palvex::test::writeBytes(scratch_.path() + "/pick/logo.png",
                                 palvex::test::pngBytes(palvex::test::logoPicture(600, 300)));

    std::unique_ptr<TEditorWindow> window(QStringList& boxes) {
        palvex::test::writeBytes(slotFile_, palvex::test::gifPicture(40, 40));
        auto w = std::make_unique<TEditorWindow>(TerminalModel::Korvell, workspace_);
        w->setMessageBoxRunner([&boxes](QMessageBox& box) { boxes << box.text(); });
        w->show();
        auto* cbo = w->findChild<QComboBox*>("cboImg");
        cbo->setCurrentIndex(4);
        emit cbo->activated(4);
        palvex::test::workDone(*w);
        return w;
    }
    static FitActions& actions(TEditorWindow& w) { return *w.findChild<FitActions*>("FitActions"); }
    QString log(TEditorWindow& w) { return w.findChild<QPlainTextEdit*>("log")->toPlainText(); }

private slots:
    // The shortcut and the menu entry run the same action; OK changes the slot, Cancel does not.
    void theShortcutFitsAndOkChangesTheSlot() {
        QStringList boxes;
        auto w = window(boxes);
        const QByteArray before = contentOf(slotFile_);
        QSize shown;
        bool accept = false;
        actions(*w).setPictureChooser([this] { return std::optional<QString>(logo_); });
        actions(*w).setDialogRunner([&](FitDialog& dialog) {
            shown = dialog.fitted() ? dialog.fitted()->size : QSize();
            return accept;
        });
        QMenu previewMenu;
        w->fillPreviewMenu(previewMenu);
        QVERIFY(previewMenu.actions().contains(actions(*w).action()));

        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(palvex::test::workDone(*w));
        QCOMPARE(shown, QSize(40, 20)); // within the current 40 x 40 picture
        QCOMPARE(contentOf(slotFile_), before);

        accept = true;
        actions(*w).action()->trigger();
        QVERIFY(palvex::test::workDone(*w));
        QVERIFY(boxes.isEmpty());
        QVERIFY(log(*w).endsWith("Replaced image mi1.gif\nRetrieving mi1.gif details..."));
        QCOMPARE(QImage(slotFile_).size(), QSize(40, 20));
    }

    void theFillBoxRefitsToTheWholeBox() {
        palvex::test::writeBytes(scratch_.path() + "/IMAGE-fill/image/mi1.gif",
                                 palvex::test::gifPicture(40, 40));
        const QImage logo = palvex::test::logoPicture(600, 300);
        const FitTarget target{SlotFormat::Gif, {40, 40}, 3.0};
        FitDialog dialog(scratch_.path() + "/IMAGE-fill/image/mi1.gif", logo, target,
                         attemptFit(target, logo));
        QCOMPARE(dialog.fitted()->size, QSize(40, 20));
        dialog.findChild<QCheckBox*>("chkFill")->setChecked(true);
        QTRY_VERIFY(dialog.fitted()); // fitted again in the background
        QCOMPARE(dialog.fitted()->size, QSize(40, 40));
    }

    // Shift turns a drop on the preview into a fitting. A file manager offers a copy or a move
    // and proposes the move while Shift is held: the drop is still a copy, so the technician's
    // picture stays where it was.
    void aShiftDropFitsTheDroppedPictureAndCopiesIt() {
        QStringList boxes;
        auto w = window(boxes);
        int dialogs = 0;
        actions(*w).setDialogRunner([&](FitDialog&) { return ++dialogs > 0; });
        const QPoint preview = w->findChild<QWidget*>("GroupBox1")->geometry().center();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(logo_)});
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QList<Qt::DropAction> reported;
        for (Qt::KeyboardModifiers keys :
             {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
            QDragEnterEvent enter(preview, offered, &data, Qt::LeftButton, keys);
            enter.setDropAction(keys ? Qt::MoveAction : Qt::CopyAction); // what the source proposes
            QCoreApplication::sendEvent(w.get(), &enter);
            QDropEvent drop(preview, offered, &data, Qt::LeftButton, keys);
            drop.setDropAction(enter.dropAction());
            QCoreApplication::sendEvent(w.get(), &drop);
            reported << (drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction);
            QVERIFY(palvex::test::workDone(*w));
        }
        // A PNG without Shift is no picture a slot takes: refused, and the log says why.
        QCOMPARE(reported, QList<Qt::DropAction>({Qt::IgnoreAction, Qt::CopyAction}));
        QVERIFY(log(*w).contains("Drop refused: logo.png is neither a theme archive"));
        QCOMPARE(boxes, QStringList());
        QCOMPARE(dialogs, 1);
        QCOMPARE(QImage(slotFile_).size(), QSize(40, 20));
        QVERIFY(QFile::exists(logo_));
    }

    void anUnreadablePictureIsAnErrorBoxAndChangesNothing() {
        QStringList boxes;
        auto w = window(boxes);
        const QByteArray before = contentOf(slotFile_);
        const QString broken =
            palvex::test::writeBytes(scratch_.path() + "/pick/broken.png", "not a picture");
        actions(*w).fitPicture(broken);
        QVERIFY(palvex::test::workDone(*w));
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0].startsWith("Cannot read the picture"));
        QCOMPARE(contentOf(slotFile_), before);
    }
};

QTEST_MAIN(FitWindowTest)
#include "fit_window_test.moc"
