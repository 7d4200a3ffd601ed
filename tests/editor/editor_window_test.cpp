#include "editor/editor_window.h"
#include "editor/fit_actions.h"
#include "editor/fit_dialog.h"
#include "editor/picture_box.h"
#include "tests/support/find_control.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/work_done.h"

#include <QApplication>

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <QTextBlock>
#include <QTextLayout>
#include <sys/stat.h>
#include <unistd.h>

using namespace palvex::editor;
using namespace palvex::pictures;
using namespace palvex::theme;
using palvex::test::control;

class EditorWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;

    std::unique_ptr<TEditorWindow> window(TerminalModel model) {
        return std::make_unique<TEditorWindow>(model, scratch_.path() + "/IMAGE");
    }

    static QByteArray readAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void captionsSizesAndModelGeometry_data() {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("input");
        QTest::addColumn<QPoint>("slotList");
        QTest::addColumn<QRect>("previewFrame");
        QTest::addColumn<QSize>("preview");
        QTest::addColumn<int>("slotCount");
        QTest::newRow("Korvell") << int(TerminalModel::Korvell)
                                 << "Palvex Korvell Image Changer Tool" << QSize(553, 414)
                                 << QPoint(80, 8) << QPoint(344, 88) << QRect(16, 80, 321, 217)
                                 << QSize(320, 210) << 30;
        QTest::newRow("Korvell Plus")
            << int(TerminalModel::KorvellPlus) << "Palvex Korvell Plus Image Changer Tool"
            << QSize(1014, 783) << QPoint(232, 6) << QPoint(808, 72) << QRect(0, 64, 800, 609)
            << QSize(800, 600) << 20;
    }

    void captionsSizesAndModelGeometry() {
        QFETCH(int, model);
        auto w = window(TerminalModel(model));
        QFETCH(QString, caption);
        QCOMPARE(w->windowTitle(), caption);
        QFETCH(QSize, size);
        QCOMPARE(w->size(), size);
        QFETCH(QPoint, input);
        QCOMPARE(control<QLineEdit>(*w, "edtFileBz2")->geometry(), QRect(input, QSize(425, 21)));
        QFETCH(QPoint, slotList);
        auto* cbo = control<QComboBox>(*w, "cboImg");
        QCOMPARE(cbo->pos(), slotList);
        QCOMPARE(cbo->width(), 193);
        QFETCH(int, slotCount);
        QCOMPARE(cbo->count(), slotCount);
        QCOMPARE(cbo->currentIndex(), 0);
        QCOMPARE(cbo->currentText(), QString("Desktop"));
        QFETCH(QRect, previewFrame);
        QCOMPARE(control<QGroupBox>(*w, "GroupBox1")->geometry(), previewFrame);
        QFETCH(QSize, preview);
        QCOMPARE(control<QWidget>(*w, "Image1")->geometry(), QRect(QPoint(0, 6), preview));
        auto* log = control<QPlainTextEdit>(*w, "log");
        QCOMPARE(log->geometry(), QRect(0, size.height() - 75, size.width(), 75));
    }

    // Laptop screens: in a window smaller than drawn every control stays whole, inside the
    // window and apart from the others, the log along the bottom; with room, the drawn layout.
    void controlsStayWholeAndApartInSmallerWindows_data() {
        QTest::addColumn<int>("model");
        QTest::addColumn<QSize>("client");
        const int plus = int(TerminalModel::KorvellPlus), korvell = int(TerminalModel::Korvell);
        QTest::newRow("Korvell Plus as drawn") << plus << QSize(1014, 783);
        QTest::newRow("Korvell Plus on 1366x768") << plus << QSize(1358, 736);
        QTest::newRow("Korvell Plus on 1024x600") << plus << QSize(1016, 568);
        QTest::newRow("Korvell Plus on 800x600") << plus << QSize(792, 568);
        QTest::newRow("Korvell Plus at its least") << plus << QSize(697, 397);
        QTest::newRow("Korvell as drawn") << korvell << QSize(553, 414);
        QTest::newRow("Korvell in a larger window") << korvell << QSize(1200, 900);
    }

    void controlsStayWholeAndApartInSmallerWindows() {
        QFETCH(int, model);
        QFETCH(QSize, client);
        auto w = window(TerminalModel(model));
        w->show();
        w->resize(client);
        QCOMPARE(w->size(), client);
        QList<QWidget*> shown;
        for (QWidget* c : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!c->isWindow() && !c->isHidden())
                shown << c;
        // The drawn layout lets the details' frame and the change button share one line.
        const auto inside = [](const QWidget* c) {
            return c->geometry().adjusted(0, 0, -1, -1);
        };
        for (QWidget* c : shown) {
            QVERIFY2(w->rect().contains(c->geometry()), qPrintable(c->objectName()));
            for (QWidget* other : shown)
                QVERIFY2(c == other || !inside(c).intersects(inside(other)),
                         qPrintable(c->objectName() + " " + other->objectName()));
        }
        auto* log = control<QPlainTextEdit>(*w, "log");
        QCOMPARE(log->geometry(), QRect(0, client.height() - 75, client.width(), 75));
        // The preview shrinks as a whole: the picture keeps its place inside the frame.
        const QRect frame = control<QGroupBox>(*w, "GroupBox1")->geometry();
        QVERIFY(QRect(QPoint(), frame.size()).contains(control<QWidget>(*w, "Image1")->geometry()));
        const QSize drawn =
            model == int(TerminalModel::Korvell) ? QSize(553, 414) : QSize(1014, 783);
        if (client.width() >= drawn.width() && client.height() >= drawn.height()) {
            const QRect drawnFrame = model == int(TerminalModel::Korvell) ? QRect(16, 80, 321, 217)
                                                                          : QRect(0, 64, 800, 609);
            QCOMPARE(frame, drawnFrame);
            QCOMPARE(control<QComboBox>(*w, "cboImg")->x(),
                     model == int(TerminalModel::Korvell) ? 344 : 808);
        } else {
            QVERIFY(frame.width() < 800);
        }
    }

    void controlTextsAndSettings() {
        auto w = window(TerminalModel::Korvell);
        QCOMPARE(control<QLabel>(*w, "Label1")->text(), QString("Input File :"));
        QCOMPARE(control<QLabel>(*w, "Label2")->text(), QString("Output File :"));
        QVERIFY(control<QLabel>(*w, "Label1")->font().bold());
        QCOMPARE(control<QPushButton>(*w, "btnFileOpen")->text(), QString("..."));
        QCOMPARE(control<QPushButton>(*w, "btnReplace")->text(), QString("Change"));
        QCOMPARE(control<QPushButton>(*w, "btnCompress")->text(), QString("Compile img.bz2"));
        QCOMPARE(control<QPushButton>(*w, "btnCompress")->size(), QSize(193, 41));
        QCOMPARE(control<QPushButton>(*w, "btnDecompress")->text(), QString("DeCompress"));
        QCOMPARE(control<QGroupBox>(*w, "GroupBox2")->title(), QString("Details"));
        QCOMPARE(control<QLabel>(*w, "Label3")->text(), QString("FileName :"));
        QCOMPARE(control<QLabel>(*w, "Label4")->text(), QString("FileSize :"));
        QCOMPARE(control<QLabel>(*w, "Label5")->text(), QString("Dimension :"));
        for (const auto& [name, y] : {std::pair{"Label3", 20}, {"Label4", 40}, {"Label5", 60}})
            QCOMPARE(control<QLabel>(*w, name)->pos(), QPoint(8, y));
        for (const char* name : {"lblFileName", "lblFileSize", "lblDimension"})
            QCOMPARE(control<QLabel>(*w, name)->text(), QString("----"));
        QCOMPARE(control<QLineEdit>(*w, "edtOutput")->palette().color(QPalette::Text),
                 QColor(Qt::blue));

        w->show();
        QVERIFY(!control<QPushButton>(*w, "btnDecompress")->isVisible());
        QVERIFY(!control<QWidget>(*w, "ImgFile")->isVisible());
    }

    static void bothModels() {
        QTest::addColumn<int>("model");
        QTest::newRow("Korvell") << int(TerminalModel::Korvell);
        QTest::newRow("Korvell Plus") << int(TerminalModel::KorvellPlus);
    }

    void longLogLinesWrap_data() { bothModels(); }
    void longLogLinesWrap() {
        QFETCH(int, model);
        auto w = window(TerminalModel(model));
        w->show();
        w->appendLog("Compile img.bz2 error : Cannot create file \"" + QString(300, 'x') +
                     "/img.bz2\". No such file or directory");
        auto* log = control<QPlainTextEdit>(*w, "log");
        QCoreApplication::processEvents();
        QCOMPARE(log->horizontalScrollBar()->maximum(), 0);
        QVERIFY(!log->horizontalScrollBar()->isVisible());
        QVERIFY(log->document()->firstBlock().layout()->lineCount() > 1);
    }

    void detailCaptionsKeepApartFromTheirValues_data() { bothModels(); }
    void detailCaptionsKeepApartFromTheirValues() {
        QFETCH(int, model);
        auto w = window(TerminalModel(model));
        const std::pair<const char*, const char*> details[] = {
            {"Label3", "lblFileName"}, {"Label4", "lblFileSize"}, {"Label5", "lblDimension"}};
        for (const auto& [caption, value] : details) {
            const QLabel* c = control<QLabel>(*w, caption);
            const int textEnd = c->x() + c->fontMetrics().horizontalAdvance(c->text());
            QVERIFY2(control<QLabel>(*w, value)->x() >= textEnd + 3, caption);
            QVERIFY(control<QLabel>(*w, value)->x() >= 66);
        }
    }

    void tabOrderRunsThroughTheFieldsAndButtons() {
        auto w = window(TerminalModel::Korvell);
        const char* order[] = {"edtFileBz2", "btnFileOpen", "edtOutput",   "btnFileOutput",
                               "cboImg",     "btnReplace",  "btnCompress", "log"};
        for (std::size_t i = 1; i < std::size(order); ++i) {
            QWidget* next = control<QWidget>(*w, order[i - 1])->nextInFocusChain();
            // An editable combo box puts its own line edit in the chain.
            while (next && next->parentWidget() == control<QWidget>(*w, order[i - 1]))
                next = next->nextInFocusChain();
            QCOMPARE(next, control<QWidget>(*w, order[i]));
        }
    }

    // Each key from a control where the focus may be: what it opens or where the focus goes.
    void keyboard_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("result");
        const int alt = Qt::AltModifier;
        QTest::newRow("Tab leaves the log")
            << "log" << int(Qt::Key_Tab) << 0 << "focus btnOverview";
        QTest::newRow("Shift+Tab leaves the log")
            << "log" << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << "focus btnCompress";
        QTest::newRow("Alt+O opens an archive") << "log" << int(Qt::Key_O) << alt << "OpenDialog1";
        QTest::newRow("Alt+U picks the output")
            << "edtOutput" << int(Qt::Key_U) << alt << "OpenDialog2";
        QTest::newRow("Alt+C changes the slot")
            << "cboImg" << int(Qt::Key_C) << alt << "OpenPictureDialog1";
        QTest::newRow("Alt+M compiles")
            << "log" << int(Qt::Key_M) << alt << "Please select an output file !";
        QTest::newRow("Alt+V shows the overview")
            << "btnReplace" << int(Qt::Key_V) << alt << "frmOverview";
        QTest::newRow("Enter starts the focused button")
            << "btnFileOpen" << int(Qt::Key_Return) << 0 << "OpenDialog1";
    }

    void keyboard() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, result);
        auto w = window(TerminalModel::Korvell);
        QStringList seen;
        w->setFileDialogRunner([&](QFileDialog& dialog) -> std::optional<QString> {
            seen << dialog.objectName();
            return std::nullopt;
        });
        w->setMessageBoxRunner([&](QMessageBox& box) { seen << box.text(); });
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QWidget* focused = control<QWidget>(*w, focus.toLatin1());
        focused->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                        Qt::KeyboardModifiers(modifiers));
        // A key clicks its button as a hand would, after a short press.
        if (result.startsWith("focus "))
            QCOMPARE(QApplication::focusWidget()->objectName(), result.mid(6));
        else if (result == "frmOverview")
            QTRY_VERIFY(w->findChild<QWidget*>(result) &&
                        w->findChild<QWidget*>(result)->isVisible());
        else
            QTRY_COMPARE(seen, QStringList{result});
        QVERIFY(palvex::test::workDone(*w));
        QCOMPARE(control<QPlainTextEdit>(*w, "log")->toPlainText().contains('\t'), false);
    }

    // The compile button greys while it works, which passes the focus on to the log; the focus
    // comes back when the work has ended.
    void theFocusComesBackAfterACompile() {
        auto w = window(TerminalModel::Korvell);
        w->setMessageBoxRunner([](QMessageBox&) {});
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        control<QLineEdit>(*w, "edtOutput")->setText(scratch_.path() + "/focus.bz2");
        auto* compile = control<QPushButton>(*w, "btnCompress");
        compile->setFocus();
        QTest::keyClick(compile, Qt::Key_Space);
        QVERIFY(palvex::test::workDone(*w));
        QCOMPARE(QApplication::focusWidget(), compile);
    }

    void buttonsAndFieldsAreNamedForAssistiveTechnology() {
        auto w = window(TerminalModel::KorvellPlus);
        for (const auto& [label, field] :
             {std::pair{"Label1", "edtFileBz2"}, std::pair{"Label2", "edtOutput"}})
            QCOMPARE(control<QLabel>(*w, label)->buddy(), control<QWidget>(*w, field));
        for (const char* name : {"btnFileOpen", "btnFileOutput"}) {
            auto* button = control<QPushButton>(*w, name);
            QCOMPARE(button->text(), QString("..."));
            QVERIFY(!button->accessibleName().isEmpty());
            QVERIFY(button->toolTip().startsWith(button->accessibleName() + " (Alt+"));
        }
    }

    void outputFieldTakesTypedTextAndInputFieldDoesNot() {
        auto w = window(TerminalModel::Korvell);
        w->show();
        auto* input = control<QLineEdit>(*w, "edtFileBz2");
        auto* output = control<QLineEdit>(*w, "edtOutput");
        QTest::keyClicks(input, "typed");
        QTest::keyClicks(output, "out.bz2");
        QCOMPARE(input->text(), QString());
        QCOMPARE(output->text(), QString("out.bz2"));
    }

    void dialogsCarryTheirNamesAndFilters() {
        auto w = window(TerminalModel::Korvell);
        QStringList seen;
        w->setFileDialogRunner([&](QFileDialog& dialog) -> std::optional<QString> {
            seen << dialog.objectName() + "|" + dialog.nameFilters().join(";") + "|" +
                        dialog.selectedNameFilter();
            if (dialog.objectName() == "OpenDialog2") {
                seen << QString::number(dialog.fileMode() == QFileDialog::AnyFile);
                return QStringLiteral("/chosen/out.bz2");
            }
            return std::nullopt;
        });
        w->btnFileOutputClick();
        w->choosePicture();
        w->chooseInputArchive(scratch_.path());
        QCOMPARE(seen.value(0), QString("OpenDialog2|(*.bz2)|(*.bz2)"));
        QCOMPARE(seen.value(1), QString("1"));
        QCOMPARE(seen.value(2),
                 QString("OpenPictureDialog1|All (*.gif *.jpg *.jpeg);CompuServe GIF Image "
                         "(*.gif);JPEG Image File (*.jpg);JPEG Image File (*.jpeg)|All (*.gif "
                         "*.jpg *.jpeg)"));
        QCOMPARE(seen.value(3), QString("OpenDialog1|(*.bz2)|(*.bz2)"));
        QCOMPARE(control<QLineEdit>(*w, "edtOutput")->text(), QString("/chosen/out.bz2"));

        // Cancelled: the field keeps what it had.
        w->setFileDialogRunner([](QFileDialog&) { return std::nullopt; });
        w->btnFileOutputClick();
        QCOMPARE(control<QLineEdit>(*w, "edtOutput")->text(), QString("/chosen/out.bz2"));

        // A slot whose file is a bitmap lists bitmaps too, and opens on them; the next slot
        // does not.
        auto plus = window(TerminalModel::KorvellPlus);
        plus->setFileDialogRunner([&](QFileDialog& dialog) -> std::optional<QString> {
            seen << dialog.nameFilters().join(";") + "|" + dialog.selectedNameFilter();
            return std::nullopt;
        });
        control<QComboBox>(*plus, "cboImg")->setCurrentIndex(6); // System, menu5.bmp
        plus->choosePicture();
        control<QComboBox>(*plus, "cboImg")->setCurrentIndex(8); // MenuButton, menu01.gif
        plus->choosePicture();
        const QString parts = "All (*.gif *.jpg *.jpeg);CompuServe GIF Image (*.gif);JPEG Image "
                              "File (*.jpg);JPEG Image File (*.jpeg)";
        QCOMPARE(seen.mid(4), QStringList({parts + ";Windows Bitmap (*.bmp)|Windows Bitmap (*.bmp)",
                                           parts + "|All (*.gif *.jpg *.jpeg)"}));
    }

    void thePictureDialogPreviewsTheFileUnderTheCursor() {
        auto w = window(TerminalModel::Korvell);
        auto* dialog = control<QFileDialog>(*w, "OpenPictureDialog1");
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        const QString big = palvex::test::writeBytes(scratch_.path() + "/pick/desktop.gif",
                                                     palvex::test::gifPicture(320, 210, 12345));
        emit dialog->currentChanged(big);
        const QString point = QLocale::system().decimalPoint();
        QCOMPARE(control<QLabel>(*dialog, "previewCaption")->text(),
                 "H:210 W:320\n12" + point + "06 kb");
        QCOMPARE(control<QLabel>(*dialog, "previewPicture")->pixmap().size(), QSize(200, 131));

        emit dialog->currentChanged(
            palvex::test::writeBytes(scratch_.path() + "/pick/no.jpg", "x"));
        QCOMPARE(control<QLabel>(*dialog, "previewCaption")->text(), QString());
        QVERIFY(control<QLabel>(*dialog, "previewPicture")->pixmap().isNull());
    }

    void previewChangeAndPreviewAgainThroughTheWindow() {
        const QString workspace = scratch_.path() + "/IMAGE-change";
        palvex::test::writeBytes(workspace + "/image/mi1.gif", palvex::test::gifPicture(40, 40));
        const QString picked = palvex::test::writeBytes(scratch_.path() + "/pick/mi1.gif",
                                                        palvex::test::gifPicture(55, 55));
        TEditorWindow w(TerminalModel::Korvell, workspace);
        QStringList boxes;
        w.setMessageBoxRunner([&](QMessageBox& box) { boxes << box.text(); });
        w.setFileDialogRunner([&](QFileDialog& dialog) -> std::optional<QString> {
            if (dialog.objectName() == "OpenPictureDialog1")
                return picked;
            return std::nullopt;
        });
        w.show();

        auto* cbo = control<QComboBox>(w, "cboImg");
        cbo->setCurrentIndex(4);
        emit cbo->activated(4);
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(control<QLabel>(w, "lblFileName")->text(), QString("mi1.gif"));
        QCOMPARE(control<QLabel>(w, "lblDimension")->text(), QString("H:40\tW:40"));

        QTest::mouseClick(control<QPushButton>(w, "btnReplace"), Qt::LeftButton);
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(control<QPlainTextEdit>(w, "log")->toPlainText(),
                 QString("Retrieving mi1.gif details...\nReplaced image mi1.gif\n"
                         "Retrieving mi1.gif details..."));
        QCOMPARE(control<QLabel>(w, "lblDimension")->text(), QString("H:55\tW:55"));
        QCOMPARE(control<palvex::editor::PictureBox>(w, "Image1")->picture().size(), QSize(55, 55));
        QCOMPARE(control<palvex::editor::PictureBox>(w, "ImgFile")->size(), QSize(55, 55));
        QVERIFY(boxes.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
    }

    void typingInTheSlotListLeavesNoSlotSelected() {
        const QString workspace = scratch_.path() + "/IMAGE-typed";
        palvex::test::writeBytes(workspace + "/image/desktop.jpg", palvex::test::jpegPicture(8, 8));
        TEditorWindow w(TerminalModel::Korvell, workspace);
        w.show();
        auto* cbo = control<QComboBox>(w, "cboImg");
        QTest::keyClicks(cbo->lineEdit(), "x");
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(w.selectedSlot(), -1);
        QCOMPARE(control<QPlainTextEdit>(w, "log")->toPlainText(), QString());
        emit cbo->activated(0);
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(w.selectedSlot(), 0);
        QCOMPARE(control<QPlainTextEdit>(w, "log")->toPlainText(),
                 QString("Retrieving desktop.jpg details..."));
    }

    void openTheSampleThemeAndCompileIt() {
        qputenv("TMPDIR", scratch_.path().toUtf8());
        TEditorWindow w(TerminalModel::Korvell, scratch_.path() + "/IMAGE-sample");
        const QString output = scratch_.path() + "/compiled.bz2";
        QStringList boxes;
        w.setMessageBoxRunner([&](QMessageBox& box) { boxes << box.text(); });
        w.setFileDialogRunner([&](QFileDialog& dialog) -> std::optional<QString> {
            if (dialog.objectName() == "OpenDialog1")
                return QStringLiteral(PALVEX_SAMPLE_KORVELL);
            return output;
        });
        w.show();
        QTest::mouseClick(control<QPushButton>(w, "btnFileOpen"), Qt::LeftButton);
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(
            control<QPlainTextEdit>(w, "log")->toPlainText(),
            QString("Unpacking img.bz2...\nUnpacked Files :30\nRetrieving desktop.jpg details..."));
        QCOMPARE(control<palvex::editor::PictureBox>(w, "Image1")->picture().size(),
                 QSize(320, 210));
        QCOMPARE(control<QLabel>(w, "lblDimension")->text(), QString("H:210\tW:320"));
        QVERIFY(control<QPushButton>(w, "btnCompress")->isEnabled());

        QTest::mouseClick(control<QPushButton>(w, "btnFileOutput"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(w, "btnCompress"), Qt::LeftButton);
        QVERIFY(palvex::test::workDone(w));
        QVERIFY(control<QPlainTextEdit>(w, "log")->toPlainText().endsWith(
            "Compiling img.bz2...\nProcess Done!"));
        QVERIFY(QFileInfo(output).size() > 0);
        QVERIFY(boxes.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
        qunsetenv("TMPDIR");
    }

    // While a dialog or box waits for the user, the window is not busy: normal cursor and
    // controls enabled; the busy state comes back for the work.
    void aWaitingDialogOrBoxShowsNoBusyWindow() {
        qputenv("TMPDIR", scratch_.path().toUtf8());
        const QString bad =
            palvex::test::writeBytes(scratch_.path() + "/bad/img.bz2", "this is no bzip2 data");
        TEditorWindow w(TerminalModel::Korvell, scratch_.path() + "/IMAGE-wait");
        QStringList seen;
        const auto state = [&](const QString& what) {
            seen << what + (QApplication::overrideCursor() ? " busy" : " normal") +
                        (control<QPushButton>(w, "btnCompress")->isEnabled() ? " enabled"
                                                                             : " greyed");
        };
        w.setFileDialogRunner([&](QFileDialog&) -> std::optional<QString> {
            state("dialog");
            return bad;
        });
        w.setMessageBoxRunner([&](QMessageBox& box) { state(box.text()); });
        w.show();
        w.btnFileOpenClick();
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(seen, QStringList({"dialog normal enabled",
                                    "Error unpacking the img.bz2. normal enabled"}));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(control<QPushButton>(w, "btnCompress")->isEnabled());
        qunsetenv("TMPDIR");
    }

    // Drags one or more files to a point of the window, as a file manager does (offering a copy
    // or a move), and drops them there; answers whether the drop was taken, as a copy.
    static bool dropFiles(QWidget& w, const QStringList& paths, QPoint at,
                          Qt::KeyboardModifiers onTheWay, Qt::KeyboardModifiers atTheDrop) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, onTheWay);
        QApplication::sendEvent(&w, &enter);
        QDragMoveEvent move(at, offered, &data, Qt::LeftButton, onTheWay);
        QApplication::sendEvent(&w, &move);
        if (!enter.isAccepted() || !move.isAccepted() || move.dropAction() != Qt::CopyAction)
            return false;
        QDropEvent drop(at, offered, &data, Qt::LeftButton, atTheDrop);
        QApplication::sendEvent(&w, &drop);
        QCoreApplication::processEvents(); // an archive is opened once the drop is over
        return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    }

    void dropsOnTheEditor_data() {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("slotFile");
        QTest::addColumn<QStringList>("files"); // in pick/; "sample" is the sample theme
        QTest::addColumn<QString>("place");
        QTest::addColumn<bool>("shiftOnTheWay");
        QTest::addColumn<bool>("shiftAtTheDrop");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("box"); // or the fitting's dialog
        const int korvell = int(TerminalModel::Korvell);
        const QString mi1 = "image/mi1.gif";
        QTest::newRow("a picture on the preview changes the slot")
            << korvell << 4 << mi1 << QStringList{"mi1.gif"} << "GroupBox1" << false << false
            << true << "Replaced image mi1.gif"
            << "";
        QTest::newRow("Shift let go before the drop: a plain change")
            << korvell << 4 << mi1 << QStringList{"mi1.gif"} << "GroupBox1" << true << false << true
            << "Replaced image mi1.gif"
            << "";
        QTest::newRow("Shift pressed only at the drop: a fitting")
            << korvell << 4 << mi1 << QStringList{"mi1.gif"} << "GroupBox1" << false << true << true
            << ""
            << "fit dialog";
        QTest::newRow("a picture of another name is refused as the change refuses it")
            << korvell << 4 << mi1 << QStringList{"Mi1.gif"} << "GroupBox1" << false << false
            << true << ""
            << "File name must be same !";
        QTest::newRow("a picture beside the preview is refused, saying why")
            << korvell << 4 << mi1 << QStringList{"mi1.gif"} << "GroupBox2" << false << false
            << false << "Drop refused: mi1.gif: drop pictures on the preview"
            << "";
        QTest::newRow("two pictures are refused, saying why")
            << korvell << 4 << mi1 << QStringList{"mi1.gif", "mi2.gif"} << "GroupBox1" << true
            << true << false << "Drop refused: drop one file at a time"
            << "";
        QTest::newRow("a theme archive anywhere is opened")
            << korvell << 4 << mi1 << QStringList{"sample"} << "log" << true << true << true
            << "Unpacked Files :30"
            << "";
        QTest::newRow("a bitmap on a bitmap slot changes it")
            << int(TerminalModel::KorvellPlus) << 6 << "image/en/menu5.bmp"
            << QStringList{"menu5.bmp"} << "GroupBox1" << false << false << true
            << "Replaced image menu5.bmp"
            << "";
    }

    void dropsOnTheEditor() {
        QFETCH(int, model);
        QFETCH(int, slot);
        QFETCH(QString, slotFile);
        QFETCH(QStringList, files);
        QFETCH(QString, place);
        QFETCH(bool, shiftOnTheWay);
        QFETCH(bool, shiftAtTheDrop);
        QFETCH(bool, taken);
        QFETCH(QString, logged);
        QFETCH(QString, box);
        qputenv("TMPDIR", scratch_.path().toUtf8());
        QTemporaryDir folder;
        const auto picture = [](const QString& name, int side) {
            return name.endsWith(".bmp") ? palvex::test::monochromeBmp(side, side)
                                         : palvex::test::gifPicture(side, side);
        };
        const QByteArray original = picture(slotFile, 40);
        const QString slotPath =
            palvex::test::writeBytes(folder.path() + "/IMAGE/" + slotFile, original);
        QStringList paths;
        for (const QString& name : files)
            paths << (name == "sample" ? QStringLiteral(PALVEX_SAMPLE_KORVELL)
                                       : palvex::test::writeBytes(folder.path() + "/pick/" + name,
                                                                  picture(name, 55)));
        TEditorWindow w(TerminalModel(model), folder.path() + "/IMAGE");
        QStringList boxes;
        w.setMessageBoxRunner([&](QMessageBox& b) { boxes << b.text(); });
        w.findChild<FitActions*>("FitActions")->setDialogRunner([&](FitDialog&) {
            boxes << "fit dialog";
            return false;
        });
        w.show();
        control<QComboBox>(w, "cboImg")->setCurrentIndex(slot);
        w.cboImgChange();
        QVERIFY(palvex::test::workDone(w));
        const QString before = control<QPlainTextEdit>(w, "log")->toPlainText();

        const auto keys = [](bool shift) {
            return shift ? Qt::KeyboardModifiers(Qt::ShiftModifier) : Qt::NoModifier;
        };
        QCOMPARE(dropFiles(w, paths, control<QWidget>(w, place.toLatin1())->geometry().center(),
                           keys(shiftOnTheWay), keys(shiftAtTheDrop)),
                 taken);
        QVERIFY(palvex::test::workDone(w));
        const QString added = control<QPlainTextEdit>(w, "log")->toPlainText().mid(before.size());
        QVERIFY2(logged.isEmpty() ? !added.contains("Replaced") && !added.contains("Unpacked") &&
                                        !added.contains("refused")
                                  : added.contains(logged),
                 qPrintable(added));
        QCOMPARE(boxes, box.isEmpty() ? QStringList() : QStringList{box});
        const bool changed = logged.startsWith("Replaced") || logged.startsWith("Unpacked");
        QCOMPARE(readAll(slotPath) != original, changed); // the archive holds one too
        for (const QString& path : paths)
            QVERIFY(QFileInfo::exists(path)); // a drop only ever reads
        qunsetenv("TMPDIR");
    }

    void ctrlZPutsThePreviousPictureBackAndClosingDropsTheKeptCopies() {
        qputenv("TMPDIR", scratch_.path().toUtf8());
        const QDir kept(scratch_.path() + "/palvex-image-changer-" + QString::number(::getuid()),
                        "undo-*");
        QTemporaryDir folder;
        const QByteArray original = palvex::test::gifPicture(40, 40);
        const QString slotFile =
            palvex::test::writeBytes(folder.path() + "/IMAGE/image/mi1.gif", original);
        const QString pick = palvex::test::writeBytes(folder.path() + "/pick/mi1.gif",
                                                      palvex::test::gifPicture(55, 55));
        TEditorWindow w(TerminalModel::Korvell, folder.path() + "/IMAGE");
        w.setFileDialogRunner([&](QFileDialog&) { return std::optional(pick); });
        w.setMessageBoxRunner([](QMessageBox& box) { box.button(QMessageBox::Discard)->click(); });
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        control<QComboBox>(w, "cboImg")->setCurrentIndex(4);
        w.cboImgChange();
        w.btnReplaceClick();
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(readAll(slotFile), readAll(pick));

        // Picking a slot leaves the focus in the slot list's edit part.
        QLineEdit* slotList = control<QComboBox>(w, "cboImg")->lineEdit();
        slotList->setFocus();
        QTest::keyClick(slotList, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(readAll(slotFile), original);
        QVERIFY(control<QPlainTextEdit>(w, "log")->toPlainText().endsWith(
            "Restored image mi1.gif\nRetrieving mi1.gif details..."));
        QCOMPARE(control<QLabel>(w, "lblDimension")->text(), QString("H:40\tW:40"));

        w.btnReplaceClick();
        QVERIFY(palvex::test::workDone(w));
        QCOMPARE(kept.entryList(QDir::Files | QDir::Hidden).size(), 1);
        w.close();
        QCOMPARE(kept.entryList(QDir::Files | QDir::Hidden).size(), 0);
        qunsetenv("TMPDIR");
    }

    void logOnlyGrowsAndTheUserMayType() {
        auto w = window(TerminalModel::KorvellPlus);
        w->appendLog("first");
        w->appendLog("second");
        w->appendLog("a name from an archive\nUnpacked Files :30\x1b[2J"); // forges nothing
        auto* log = control<QPlainTextEdit>(*w, "log");
        QVERIFY(!log->isReadOnly());
        QCOMPARE(log->toPlainText(),
                 QString("first\nsecond\na name from an archive\\nUnpacked Files :30\\x1b[2J"));
    }

    // The compile's output field follows the rule of every output: a FIFO is left as it is.
    void anOutputThatIsNoRegularFileGetsAnErrorBox() {
        auto w = window(TerminalModel::Korvell);
        const QString fifo = scratch_.path() + "/<i>out.bz2"; // shown as it is, not as markup
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0644) == 0);
        QStringList boxes;
        w->setMessageBoxRunner([&](QMessageBox& box) {
            QCOMPARE(box.textFormat(), Qt::PlainText);
            boxes << box.text();
        });
        control<QLineEdit>(*w, "edtOutput")->setText(fifo);
        w->show();
        QTest::mouseClick(control<QPushButton>(*w, "btnCompress"), Qt::LeftButton);
        QVERIFY(palvex::test::workDone(*w));
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].contains("is a FIFO, not a regular file"), qPrintable(boxes[0]));
        QVERIFY(QFileInfo(fifo).isFile() == false && QFileInfo(fifo).exists());
        QVERIFY(!control<QPlainTextEdit>(*w, "log")->toPlainText().contains("Compiling"));
    }
};

QTEST_MAIN(EditorWindowTest)
#include "editor_window_test.moc"
