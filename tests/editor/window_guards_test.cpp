// What the editor window asks before work that could lose or spoil the technician's work, and
// the repair and undo of a slot.
#include "editor/editor_window.h"
#include "editor/fit_actions.h"
#include "tests/support/find_control.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/work_done.h"

#include <QAction>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace palvex::editor;
using namespace palvex::theme;
using palvex::test::control;
using palvex::test::gifPicture;
using palvex::test::writeBytes;

namespace {

const QString kSample = QStringLiteral(PALVEX_SAMPLE_KORVELL);
const QString kDiscard =
    QStringLiteral("The workspace has changes that are not compiled into a theme. Discard them?");

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString logOf(TEditorWindow& w) {
    return control<QPlainTextEdit>(w, "log")->toPlainText();
}

// Drags files onto a point of the window and drops them there, offering a copy.
void dropFiles(QWidget& w, const QStringList& paths, QPoint at) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QCoreApplication::processEvents(); // an archive is opened once the drop is over
}

void selectSlot(TEditorWindow& w, int index) {
    control<QComboBox>(w, "cboImg")->setCurrentIndex(index);
    emit control<QComboBox>(w, "cboImg")->activated(index);
    QVERIFY(palvex::test::workDone(w));
}

} // namespace

class WindowGuardsTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;

private slots:
    void init() { qputenv("TMPDIR", scratch_.path().toUtf8()); }
    void cleanup() { qunsetenv("TMPDIR"); }

    // Every way of changing the workspace × every way of leaving it × both answers.
    void uncompiledChangesAreAskedAbout_data() {
        QTest::addColumn<QString>("mark");
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("discard");
        for (const char* mark : {"nothing", "change", "undo", "fit", "drop", "compile"})
            for (const char* way : {"close", "open", "drop an archive"})
                for (const bool discard : {true, false})
                    QTest::addRow("%s, %s, %s", mark, way, discard ? "Discard" : "Cancel")
                        << mark << way << discard;
    }

    void uncompiledChangesAreAskedAbout() {
        QFETCH(QString, mark);
        QFETCH(QString, way);
        QFETCH(bool, discard);
        QTemporaryDir folder;
        const QString slotFile =
            writeBytes(folder.path() + "/IMAGE/image/mi1.gif", gifPicture(40, 40));
        const QString pick = writeBytes(folder.path() + "/pick/mi1.gif", gifPicture(55, 55));
        TEditorWindow w(TerminalModel::Korvell, folder.path() + "/IMAGE");
        QStringList asked;
        w.setMessageBoxRunner([&](QMessageBox& box) {
            if (box.text() == kDiscard) {
                asked << box.text();
                box.button(discard ? QMessageBox::Discard : QMessageBox::Cancel)->click();
            } else {
                box.button(QMessageBox::Yes)->click(); // compile a workspace of one slot anyway
            }
        });
        w.setFileDialogRunner([&](QFileDialog& dialog) -> std::optional<QString> {
            return dialog.objectName() == "OpenDialog1" ? kSample : pick;
        });
        auto& fit = *w.findChild<FitActions*>("FitActions");
        fit.setDialogRunner([](auto&) { return true; });
        w.show();
        selectSlot(w, 4);

        if (mark != "nothing" && mark != "fit" && mark != "drop")
            w.btnReplaceClick();
        QVERIFY(palvex::test::workDone(w));
        if (mark == "undo")
            w.undoLastChange();
        if (mark == "fit")
            fit.fitPicture(pick);
        if (mark == "drop")
            dropFiles(w, {pick}, control<QWidget>(w, "GroupBox1")->geometry().center());
        if (mark == "compile") {
            control<QLineEdit>(w, "edtOutput")->setText(folder.path() + "/out.bz2");
            w.btnCompressClick();
        }
        QVERIFY(palvex::test::workDone(w));
        QVERIFY2(mark == "nothing" || contentOf(slotFile) != gifPicture(40, 40) || mark == "undo",
                 qPrintable(logOf(w)));
        const QByteArray before = contentOf(slotFile);

        QSignalSpy closed(&w, &TEditorWindow::formClosed);
        if (way == "close")
            w.close();
        else if (way == "open")
            w.btnFileOpenClick();
        else
            dropFiles(w, {kSample}, control<QWidget>(w, "log")->geometry().center());
        QVERIFY(palvex::test::workDone(w));

        const bool asks = mark != "nothing" && mark != "compile";
        QCOMPARE(asked.size(), asks ? 1 : 0);
        const bool goesAhead = !asks || discard;
        if (way == "close") {
            QCOMPARE(closed.size(), goesAhead ? 1 : 0);
            QCOMPARE(w.isVisible(), !goesAhead);
            QCOMPARE(QFileInfo::exists(slotFile), !goesAhead);
        } else {
            QCOMPARE(logOf(w).contains("Unpacked Files :30"), goesAhead);
            if (!goesAhead)
                QCOMPARE(contentOf(slotFile), before);
        }
    }

    void theOutputIsChosenWithASaveDialog() {
        TEditorWindow w(TerminalModel::Korvell, scratch_.path() + "/IMAGE-save");
        QStringList seen;
        w.setFileDialogRunner([&](QFileDialog& dialog) -> std::optional<QString> {
            seen << dialog.windowTitle() << dialog.labelText(QFileDialog::Accept)
                 << dialog.defaultSuffix() << dialog.nameFilters().join(";")
                 << QString::number(dialog.acceptMode() == QFileDialog::AcceptSave)
                 << QString::number(dialog.testOption(QFileDialog::DontConfirmOverwrite));
            return std::nullopt;
        });
        w.btnFileOutputClick();
        QCOMPARE(seen, QStringList({"Save", "Save", "bz2", "(*.bz2)", "1", "0"}));
    }

    // Before a compile: the output over the archive that was opened, then the findings of the
    // verification that needs no pixels. Every question is answered alike.
    void aCompileAsksBeforeItSpoilsAnything_data() {
        QTest::addColumn<QString>("workspace"); // how the opened sample is changed
        QTest::addColumn<bool>("overInput");    // the output is the opened archive, by a link
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("boxes"); // each box asked, by fragments in order ("*")
        QTest::newRow("a sound theme to a new file") << "sound" << false << false << QStringList();
        const QStringList overInput{"is the archive that was opened"};
        QTest::newRow("over the opened archive, No") << "sound" << true << false << overInput;
        QTest::newRow("over the opened archive, Yes") << "sound" << true << true << overInput;
        const QStringList tooBig{"not a sound Korvell theme:\nDesktop (image/desktop.jpg)"};
        QTest::newRow("a slot over its kb, No") << "too big" << false << false << tooBig;
        QTest::newRow("a slot over its kb, Yes") << "too big" << false << true << tooBig;
        QTest::newRow("over the opened archive and a slot over its kb")
            << "too big" << true << true << (overInput + tooBig);
        QTest::newRow("the other model's files, No")
            << "Korvell Plus" << false << false
            << QStringList{"The workspace holds no slot file of Korvell, but 2 of Korvell Plus."
                           "\nDesktop (image/desktop.jpg)*\n... and 23 more"};
    }

    void aCompileAsksBeforeItSpoilsAnything() {
        QFETCH(QString, workspace);
        QFETCH(bool, overInput);
        QFETCH(bool, yes);
        QFETCH(QStringList, boxes);
        QTemporaryDir folder;
        const QString input = folder.path() + "/in/img.bz2";
        QVERIFY(QDir().mkpath(folder.path() + "/in") && QFile::copy(kSample, input));
        // A name that reads as markup is shown as it is.
        QVERIFY(QFile::link(folder.path() + "/in", folder.path() + "/<i>link"));
        const QString output =
            overInput ? folder.path() + "/<i>link/img.bz2" : folder.path() + "/out";
        TEditorWindow w(TerminalModel::Korvell, folder.path() + "/IMAGE");
        QStringList asked;
        w.setMessageBoxRunner([&](QMessageBox& box) {
            QCOMPARE(box.textFormat(), Qt::PlainText);
            asked << box.text();
            box.button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        w.show();
        w.openArchiveFile(input);
        QVERIFY(palvex::test::workDone(w));
        const QString desktop = folder.path() + "/IMAGE/image/desktop.jpg";
        if (workspace == "too big")
            writeBytes(desktop, QByteArray(46081, 'x'));
        if (workspace == "Korvell Plus") {
            QVERIFY(QDir(folder.path() + "/IMAGE").removeRecursively());
            for (const char* file : {"image/en/desktop.jpg", "image/en/mainmenu.jpg"})
                writeBytes(folder.path() + "/IMAGE/" + file, gifPicture(8, 8));
        }
        control<QLineEdit>(w, "edtOutput")->setText(output);
        w.btnCompressClick();
        QVERIFY(palvex::test::workDone(w));

        QCOMPARE(asked.size(), boxes.size());
        for (int i = 0; i < asked.size(); ++i) {
            qsizetype from = 0;
            for (const QString& fragment : boxes[i].split('*')) {
                from = asked[i].indexOf(fragment, from);
                QVERIFY2(from >= 0, qPrintable(asked[i]));
            }
        }
        const bool compiled = boxes.isEmpty() || yes;
        QCOMPARE(logOf(w).endsWith("Compiling img.bz2...\nProcess Done!"), compiled);
        if (!compiled)
            QCOMPARE(contentOf(input), contentOf(kSample));
    }

    // Fit and change of a slot whose file is missing or cannot be decoded write that slot's
    // file, not the file of the slot previewed before it.
    void aMissingOrDamagedSlotIsRepaired_data() {
        QTest::addColumn<bool>("fit");
        QTest::addColumn<bool>("missing");
        QTest::newRow("change, missing") << false << true;
        QTest::newRow("change, damaged") << false << false;
        QTest::newRow("fit, missing") << true << true;
        QTest::newRow("fit, damaged") << true << false;
    }

    void aMissingOrDamagedSlotIsRepaired() {
        QFETCH(bool, fit);
        QFETCH(bool, missing);
        QTemporaryDir folder;
        const QByteArray desktopBytes = palvex::test::jpegPicture(32, 21);
        const QString desktop =
            writeBytes(folder.path() + "/IMAGE/image/desktop.jpg", desktopBytes);
        const QString slotFile = folder.path() + "/IMAGE/image/mi1.gif";
        if (!missing)
            writeBytes(slotFile, "GIF89a cut short");
        const QString pick = writeBytes(folder.path() + "/pick/mi1.gif", gifPicture(55, 55));
        TEditorWindow w(TerminalModel::Korvell, folder.path() + "/IMAGE");
        QStringList boxes;
        w.setMessageBoxRunner([&](QMessageBox& box) { boxes << box.text(); });
        w.setFileDialogRunner([&](QFileDialog&) { return std::optional(pick); });
        auto& actions = *w.findChild<FitActions*>("FitActions");
        actions.setDialogRunner([](auto&) { return true; });
        w.show();
        selectSlot(w, 0);
        selectSlot(w, 4);
        if (fit)
            actions.fitPicture(pick);
        else
            w.btnReplaceClick();
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(boxes, QStringList());
        QCOMPARE(QImage(slotFile).size(), QSize(55, 55));
        QCOMPARE(contentOf(desktop), desktopBytes);
    }

    // Ctrl+Z shows the slot it took back, wherever the slot list stood; with nothing left, it
    // says so once.
    void undoSelectsAndShowsTheSlotItRestores() {
        QTemporaryDir folder;
        writeBytes(folder.path() + "/IMAGE/image/desktop.jpg", palvex::test::jpegPicture(32, 21));
        writeBytes(folder.path() + "/IMAGE/image/mi1.gif", gifPicture(40, 40));
        const QString pick = writeBytes(folder.path() + "/pick/mi1.gif", gifPicture(55, 55));
        TEditorWindow w(TerminalModel::Korvell, folder.path() + "/IMAGE");
        w.setFileDialogRunner([&](QFileDialog&) { return std::optional(pick); });
        w.show();
        selectSlot(w, 4);
        w.btnReplaceClick();
        QVERIFY(palvex::test::workDone(w));
        selectSlot(w, 0);

        auto* undo = w.findChild<QAction*>("actUndo");
        undo->trigger();
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(control<QComboBox>(w, "cboImg")->currentIndex(), 4);
        QCOMPARE(w.selectedSlot(), 4);
        QCOMPARE(control<QLabel>(w, "lblFileName")->text(), QString("mi1.gif"));
        QCOMPARE(control<QLabel>(w, "lblDimension")->text(), QString("H:40\tW:40"));
        QVERIFY(logOf(w).endsWith("Restored image mi1.gif\nRetrieving mi1.gif details..."));

        const QString before = logOf(w);
        undo->trigger();
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(logOf(w), before + "\nNothing to undo: no change is kept.");
    }
};

QTEST_MAIN(WindowGuardsTest)
#include "window_guards_test.moc"
