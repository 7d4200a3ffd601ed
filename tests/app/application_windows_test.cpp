#include "app/application_windows.h"
#include "tests/support/work_done.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using palvex::app::ApplicationWindows;
using palvex::editor::TEditorWindow;

class ApplicationWindowsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir scratch_;
    QString workspace_;
    int messageBoxes_ = 0;

    std::unique_ptr<ApplicationWindows> start() {
        auto windows = std::make_unique<ApplicationWindows>(workspace_);
        for (TEditorWindow* editor : {static_cast<TEditorWindow*>(&windows->frmMain),
                                      static_cast<TEditorWindow*>(&windows->frmPlus)})
            editor->setMessageBoxRunner([this](QMessageBox&) { ++messageBoxes_; });
        windows->frmSplash.show();
        return windows;
    }

    void fillWorkspace() {
        QDir().mkpath(workspace_ + "/image/en");
        for (const char* name : {"/image/desktop.jpg", "/image/.hidden.gif", "/image/en/ro.gif"}) {
            QFile file(workspace_ + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
        }
        QFile::setPermissions(workspace_ + "/image/en/ro.gif", QFile::ReadOwner);
    }

    static int visibleCount(ApplicationWindows& windows) {
        return int(windows.frmSplash.isVisible()) + int(windows.frmMain.isVisible()) +
               int(windows.frmPlus.isVisible());
    }

private slots:
    void init() {
        QVERIFY(scratch_.isValid());
        workspace_ = scratch_.path() + "/IMAGE";
        messageBoxes_ = 0;
    }

    void chooserLooksAsDrawnUp() {
        auto windows = start();
        TfrmSplashChecks(windows->frmSplash);
    }

    static void TfrmSplashChecks(QWidget& splash) {
        QCOMPARE(splash.windowTitle(), QString("Palvex Image Changer Tool"));
        QCOMPARE(splash.size(), QSize(373, 140));
        auto* label = splash.findChild<QLabel*>("Label1");
        QVERIFY(label);
        QCOMPARE(label->text(), QString("Please select to continue "));
        QVERIFY(label->font().bold());
        QCOMPARE(label->pos(), QPoint(16, 16));
        auto* btn1 = splash.findChild<QPushButton*>("btn1");
        auto* btn2 = splash.findChild<QPushButton*>("btn2");
        QVERIFY(btn1 && btn2);
        QCOMPARE(btn1->text(), QString("Korvell"));
        QCOMPARE(btn1->geometry(), QRect(88, 48, 201, 33));
        QCOMPARE(btn2->text(), QString("Korvell Plus"));
        QCOMPARE(btn2->geometry(), QRect(88, 88, 201, 33));
        QCOMPARE(btn1->nextInFocusChain(), static_cast<QWidget*>(btn2));
    }

    void enterOnAFocusedChooserButtonStartsIt_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("editor");
        QTest::newRow("Korvell") << "btn1"
                                 << "frmMain";
        QTest::newRow("Korvell Plus") << "btn2"
                                      << "frmPlus";
    }

    void enterOnAFocusedChooserButtonStartsIt() {
        QFETCH(QString, button);
        QFETCH(QString, editor);
        auto windows = start();
        windows->frmSplash.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&windows->frmSplash));
        auto* focused = windows->frmSplash.findChild<QPushButton*>(button);
        focused->setFocus();
        QTest::keyClick(focused, Qt::Key_Return);
        QWidget& shown = editor == "frmMain" ? static_cast<QWidget&>(windows->frmMain)
                                             : static_cast<QWidget&>(windows->frmPlus);
        QTRY_VERIFY(shown.isVisible());
        QVERIFY(!windows->frmSplash.isVisible());
    }

    void onlyTheChooserIsVisibleAtStart() {
        auto windows = start();
        QVERIFY(windows->frmSplash.isVisible());
        QCOMPARE(visibleCount(*windows), 1);
    }

    void closingAnEditorEmptiesTheWorkspaceAndBringsTheChooserBack() {
        auto windows = start();
        fillWorkspace();
        QTest::mouseClick(windows->frmSplash.findChild<QPushButton*>("btn1"), Qt::LeftButton);
        QVERIFY(windows->frmMain.isVisible());
        QCOMPARE(visibleCount(*windows), 1);

        windows->frmMain.close();
        QVERIFY(!QFileInfo::exists(workspace_)); // read-only and hidden files went too
        QVERIFY(windows->frmSplash.isVisible());
        QCOMPARE(visibleCount(*windows), 1);

        QTest::mouseClick(windows->frmSplash.findChild<QPushButton*>("btn2"), Qt::LeftButton);
        QVERIFY(windows->frmPlus.isVisible());
        QCOMPARE(visibleCount(*windows), 1);
        QVERIFY(!QFileInfo::exists(workspace_));
        QCOMPARE(messageBoxes_, 0);
    }

    void closingWithoutAWorkspaceShowsNothing() {
        auto windows = start();
        windows->frmSplash.rbtn2Click();
        windows->frmPlus.close();
        QCOMPARE(messageBoxes_, 0);
        QVERIFY(windows->frmSplash.isVisible());
    }

    void anEditorShownAgainKeepsItsFieldsSlotAndLog() {
        auto windows = start();
        TEditorWindow& editor = windows->frmMain;
        windows->frmSplash.rbtn1Click();
        auto* output = editor.findChild<QLineEdit*>("edtOutput");
        auto* slotList = editor.findChild<QComboBox*>("cboImg");
        auto* log = editor.findChild<QPlainTextEdit*>("log");
        output->setText("/tmp/out.bz2");
        slotList->setCurrentIndex(7);
        editor.appendLog("a line");

        editor.close();
        windows->frmSplash.rbtn1Click();
        QCOMPARE(output->text(), QString("/tmp/out.bz2"));
        QCOMPARE(slotList->currentIndex(), 7);
        QCOMPARE(log->toPlainText(), QString("a line"));
    }

    // "Open with": the archive the program started with is opened by the editor chosen, once.
    void anArchiveGivenAtStartIsOpenedByTheChosenEditorOnce() {
        auto windows = start();
        windows->openWhenChosen(QStringLiteral(PALVEX_SAMPLE_KORVELL_PLUS));
        auto* log = windows->frmPlus.findChild<QPlainTextEdit*>("log");
        windows->frmSplash.rbtn2Click();
        QVERIFY(palvex::test::workDone(windows->frmPlus));
        QVERIFY(log->toPlainText().contains("Unpacked Files :20"));
        QVERIFY(QFileInfo::exists(workspace_ + "/image/en/desktop.jpg"));

        windows->frmPlus.close();
        log->clear();
        windows->frmSplash.rbtn2Click();
        QCOMPARE(log->toPlainText(), QString());
    }

    void closingTheChooserTouchesNoWorkspace() {
        auto windows = start();
        fillWorkspace();
        windows->frmSplash.close();
        QVERIFY(QFileInfo::exists(workspace_ + "/image/desktop.jpg"));
    }
};

QTEST_MAIN(ApplicationWindowsTest)
#include "application_windows_test.moc"
