#include "editor/editor_window.h"
#include "editor/theme_overview.h"
#include "tests/support/find_control.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/work_done.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace palvex::editor;
using namespace palvex::pictures;
using namespace palvex::theme;
using palvex::test::control;

class ThemeOverviewTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;

private slots:
    void theButtonSitsInFreeSpace_data() {
        QTest::addColumn<int>("model");
        QTest::newRow("Korvell") << int(TerminalModel::Korvell);
        QTest::newRow("Korvell Plus") << int(TerminalModel::KorvellPlus);
    }

    void theButtonSitsInFreeSpace() {
        QFETCH(int, model);
        TEditorWindow w(TerminalModel(model), scratch_.path() + "/IMAGE");
        auto* button = control<QPushButton>(w, "btnOverview");
        QVERIFY(w.rect().contains(button->geometry()));
        for (QWidget* other : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (other != button && !other->isWindow() && !other->isHidden())
                QVERIFY2(!other->geometry().intersects(button->geometry()),
                         qPrintable(other->objectName()));
    }

    // Opened before a theme, the overview shows every slot missing; the open refreshes it,
    // and a double-click on a thumbnail previews that slot in the editor.
    void listsEverySlotRefreshesAndSelectsOnDoubleClick() {
        qputenv("TMPDIR", scratch_.path().toUtf8());
        TEditorWindow w(TerminalModel::Korvell, scratch_.path() + "/IMAGE-overview");
        w.setMessageBoxRunner([](QMessageBox& box) { QFAIL(qPrintable(box.text())); });
        w.setFileDialogRunner([](QFileDialog&) -> std::optional<QString> {
            return QStringLiteral(PALVEX_SAMPLE_KORVELL);
        });
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // A shortcut clicks its button the way a hand would, after a short press.
        QTest::keySequence(w.windowHandle(), QKeySequence(Qt::CTRL | Qt::Key_T));
        QTRY_VERIFY(w.findChild<QWidget*>("frmOverview"));
        auto* overview = control<QWidget>(w, "frmOverview");
        QVERIFY(overview->isVisible());
        auto* list = control<QListWidget>(*overview, "lstSlots");
        QCOMPARE(list->count(), 30);
        QCOMPARE(control<QLabel>(*overview, "lblSummary")->text(), QString("0 of 30 slots ok"));
        // The summary names files from archives: "<h1>x" is shown as it is, not as markup.
        QCOMPARE(control<QLabel>(*overview, "lblSummary")->textFormat(), Qt::PlainText);

        QTest::mouseClick(control<QPushButton>(w, "btnFileOpen"), Qt::LeftButton);
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(control<QLabel>(*overview, "lblSummary")->text(), QString("30 of 30 slots ok"));
        QVERIFY(list->item(29)->toolTip().startsWith("3.8 Other: ok, "));

        QVERIFY(QTest::qWaitForWindowExposed(overview));
        overview->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(overview));
        const QPoint cell = list->visualItemRect(list->item(5)).center();
        QVERIFY(!cell.isNull());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(control<QComboBox>(w, "cboImg")->currentIndex(), 5);
        QVERIFY(palvex::test::workDone(w));
        QVERIFY(control<QPlainTextEdit>(w, "log")->toPlainText().endsWith(
            "Retrieving mi2.gif details..."));
        QTRY_COMPARE(QApplication::activeWindow(), &w); // the editor comes forward to show it

        // From the keyboard: Enter picks the current slot and leaves the overview in front,
        // Escape closes it.
        overview->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(overview));
        list->setFocus();
        list->setCurrentRow(7);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(control<QComboBox>(w, "cboImg")->currentIndex(), 7);
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(QApplication::activeWindow(), overview);
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!overview->isVisible());
        qunsetenv("TMPDIR");
    }

    // Against the archive the workspace came from, after one slot changed: that slot alone is
    // marked, and the summary says so.
    void comparingWithAnotherThemeMarksTheSlotsThatDiffer() {
        qputenv("TMPDIR", scratch_.path().toUtf8());
        const QString workspace = scratch_.path() + "/IMAGE-compare";
        TEditorWindow w(TerminalModel::Korvell, workspace);
        w.setMessageBoxRunner([](QMessageBox& box) { QFAIL(qPrintable(box.text())); });
        w.setFileDialogRunner([](QFileDialog&) -> std::optional<QString> {
            return QStringLiteral(PALVEX_SAMPLE_KORVELL);
        });
        QTest::mouseClick(control<QPushButton>(w, "btnFileOpen"), Qt::LeftButton);
        QVERIFY(palvex::test::workDone(w));
        palvex::test::writeBytes(workspace + "/image/mi1.gif", palvex::test::gifPicture(40, 40));
        QTest::mouseClick(control<QPushButton>(w, "btnOverview"), Qt::LeftButton);
        auto* overview = w.findChild<ThemeOverview*>("frmOverview");
        QVERIFY(overview);
        overview->setFileDialogRunner([](QFileDialog&) -> std::optional<QString> {
            return QStringLiteral(PALVEX_SAMPLE_KORVELL);
        });
        QTest::mouseClick(control<QPushButton>(*overview, "btnCompare"), Qt::LeftButton);
        QVERIFY(control<QLabel>(*overview, "lblSummary")
                    ->text()
                    .endsWith("Against img.bz2: 1 slots changed, 0 missing there, 0 only there; "
                              "0 files of no slot differ"));
        auto* list = control<QListWidget>(*overview, "lstSlots");
        for (int slot = 0; slot < list->count(); ++slot) {
            const QImage cell = list->item(slot)->icon().pixmap(list->iconSize()).toImage();
            QCOMPARE(cell.pixelColor(6, cell.height() / 2) == kChangeMark, slot == 4);
        }
        QVERIFY(list->item(4)->toolTip().endsWith("; changed against img.bz2"));
        qunsetenv("TMPDIR");
    }
};

QTEST_MAIN(ThemeOverviewTest)
#include "theme_overview_test.moc"
