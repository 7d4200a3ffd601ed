// The editor window while an unpack or a compile runs on its worker: the window answers, shows
// the progress, stops the work on Cancel and closes once the work has ended.
#include "editor/editor_window.h"
#include "tests/support/find_control.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/work_done.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <unistd.h>

using namespace palvex::editor;
using namespace palvex::theme;
using palvex::archive::TZipCommon;
using palvex::test::control;
using palvex::test::workDone;

namespace {

// Holds the worker at the first progress report of an archive component that `when` picks,
// until the test lets it go on: at most ten seconds, so that work run on the window's own
// thread fails the test instead of hanging it.
class Hold {
public:
    Hold(TZipCommon& component, std::function<bool(int byArchive)> when) {
        auto report = component.OnProgress;
        component.OnProgress = [this, report, when](TZipCommon& sender, std::uint8_t byFile,
                                                    std::uint8_t byArchive) {
            if (!held_ && when(byArchive)) {
                held_ = true;
                reached_.release();
                goOn_.tryAcquire(1, 10000);
            }
            report(sender, byFile, byArchive);
        };
    }
    // Turns the window's event loop until the worker is held.
    bool reached() {
        return QTest::qWaitFor([this] { return reached_.tryAcquire(); }, 30000);
    }
    void release() { goOn_.release(); }

private:
    QSemaphore reached_, goOn_;
    bool held_ = false;
};

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

QString logOf(TEditorWindow& w) {
    return control<QPlainTextEdit>(w, "log")->toPlainText();
}

} // namespace

class WindowWorkTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;
    // The private temporary folder the pipelines use below TMPDIR.
    QDir temporary_{scratch_.path() + "/palvex-image-changer-" + QString::number(::getuid())};

private slots:
    void init() { qputenv("TMPDIR", scratch_.path().toUtf8()); }
    void cleanup() { qunsetenv("TMPDIR"); }

    void theProgressTakesNoControlsPlace_data() {
        QTest::addColumn<int>("model");
        QTest::newRow("Korvell") << int(TerminalModel::Korvell);
        QTest::newRow("Korvell Plus") << int(TerminalModel::KorvellPlus);
    }

    void theProgressTakesNoControlsPlace() {
        QFETCH(int, model);
        TEditorWindow w(TerminalModel(model), scratch_.path() + "/IMAGE");
        const QList<QWidget*> strip{control<QWidget>(w, "ProgressBar1"),
                                    control<QWidget>(w, "btnCancel")};
        for (QWidget* part : strip) {
            QVERIFY(w.rect().contains(part->geometry()));
            for (QWidget* other : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (!strip.contains(other) && !other->isWindow() && !other->isHidden())
                    QVERIFY2(!other->geometry().intersects(part->geometry()),
                             qPrintable(other->objectName()));
        }
    }

    void cancelStopsARunThatKeepsTheWindowAnswering_data() {
        QTest::addColumn<bool>("compile");
        QTest::addColumn<bool>("atTheEnd"); // held at the last report instead of the first
        QTest::addColumn<bool>("earlierOutput");
        QTest::addColumn<bool>("escape"); // the key instead of the button
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("unpack") << false << false << false << false
                                << "Unpack cancelled: 1 file written \\(image/\\w+\\.\\w+\\)\\.";
        QTest::newRow("compile while packing, over an earlier output")
            << true << false << true << true
            << "Compile img\\.bz2 cancelled: no output file was written\\.";
        QTest::newRow("compile while compressing")
            << true << true << false << false
            << "Compile img\\.bz2 cancelled: no output file was written\\.";
    }

    void cancelStopsARunThatKeepsTheWindowAnswering() {
        QFETCH(bool, compile);
        QFETCH(bool, atTheEnd);
        QFETCH(bool, earlierOutput);
        QFETCH(bool, escape);
        QFETCH(QString, lastLine);
        const QString workspace = scratch_.path() + "/IMAGE-" + QTest::currentDataTag();
        const QString output = scratch_.path() + "/out/img.bz2";
        QDir(scratch_.path() + "/out").removeRecursively();
        QDir().mkpath(scratch_.path() + "/out");
        if (earlierOutput)
            palvex::test::writeBytes(output, "earlier");
        if (compile)
            for (const char* name : {"desktop.jpg", "mi1.gif"})
                palvex::test::writeBytes(workspace + "/image/" + name,
                                         palvex::test::gifPicture(40, 40));
        TEditorWindow w(TerminalModel::Korvell, workspace);
        w.setMessageBoxRunner([](QMessageBox& box) {
            if (box.informativeText() == "Compile anyway?") // a workspace of two slots
                return box.button(QMessageBox::Yes)->click();
            QFAIL(qPrintable(box.text()));
        });
        w.setFileDialogRunner([](QFileDialog&) { return QStringLiteral(PALVEX_SAMPLE_KORVELL); });
        control<QLineEdit>(w, "edtOutput")->setText(output);
        auto& pipelines = w.editor().pipelines();
        Hold hold(compile ? static_cast<TZipCommon&>(pipelines.Tar1) : pipelines.UnTar1,
                  [atTheEnd](int byArchive) { return !atTheEnd || byArchive == 100; });
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        compile ? w.btnCompressClick() : w.btnFileOpenClick();
        QVERIFY(hold.reached());

        // The worker is held mid-run: the window's thread still turns, the controls that
        // would start other work are off, and after half a second the progress shows.
        bool fired = false;
        QTimer::singleShot(0, [&] { fired = true; });
        QTRY_VERIFY(fired);
        QVERIFY(!control<QPushButton>(w, "btnFileOpen")->isEnabled());
        QTRY_VERIFY(control<QProgressBar>(w, "ProgressBar1")->isVisible());
        QVERIFY(control<QPushButton>(w, "btnCancel")->isVisible());
        if (escape)
            QTest::keyClick(&w, Qt::Key_Escape);
        else
            QTest::mouseClick(control<QPushButton>(w, "btnCancel"), Qt::LeftButton);
        hold.release();
        QVERIFY(workDone(w));

        const QStringList lines = logOf(w).split('\n');
        QCOMPARE(lines.size(), 2); // "Unpacking img.bz2..." or "Compiling img.bz2...", then
        QVERIFY2(QRegularExpression("^" + lastLine + "$").match(lines[1]).hasMatch(),
                 qPrintable(lines[1]));
        QVERIFY(!control<QProgressBar>(w, "ProgressBar1")->isVisible());
        QVERIFY(control<QPushButton>(w, "btnFileOpen")->isEnabled());
        QCOMPARE(contentOf(output), earlierOutput ? QByteArray("earlier") : QByteArray("(none)"));
        // Nothing left behind: no lock, no temporary file, no half-written file.
        QVERIFY(!QFileInfo::exists(workspace + ".lock"));
        QCOMPARE(temporary_.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList());
        QCOMPARE(QDir(scratch_.path() + "/out")
                     .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 earlierOutput ? QStringList{"img.bz2"} : QStringList());
        if (!compile)
            QCOMPARE(QDir(workspace + "/image").entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // The line appears the moment close is clicked; the window goes once the work has ended.
    void closingWhileWorkRunsSaysSoAndClosesWhenItEnds() {
        const QString workspace = scratch_.path() + "/IMAGE-close";
        TEditorWindow w(TerminalModel::Korvell, workspace);
        w.setFileDialogRunner([](QFileDialog&) { return QStringLiteral(PALVEX_SAMPLE_KORVELL); });
        Hold hold(w.editor().pipelines().UnTar1, [](int) { return true; });
        bool closed = false;
        connect(&w, &TEditorWindow::formClosed, &w, [&] { closed = true; });
        w.show();
        w.btnFileOpenClick();
        QVERIFY(hold.reached());
        w.close();
        QCOMPARE(logOf(w), QString("Unpacking img.bz2...\n"
                                   "The window closes when the work in progress ends..."));
        w.close(); // said once
        QVERIFY(w.isVisible());
        QVERIFY(!closed);
        hold.release();
        QVERIFY(workDone(w));
        QVERIFY(closed);
        QVERIFY(!w.isVisible());
        QVERIFY(!QFileInfo::exists(workspace));
        QVERIFY(logOf(w).endsWith("Unpacked Files :30\nRetrieving desktop.jpg details..."));
    }
};

QTEST_MAIN(WindowWorkTest)
#include "window_work_test.moc"
