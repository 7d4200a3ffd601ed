// Closing the window removes the workspace only when no other program is working in it.
#include "editor/editor_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

using namespace palvex::editor;
using namespace palvex::pictures;
using namespace palvex::theme;

class WorkspaceLockWindowTest : public QObject {
    Q_OBJECT

private slots:
    void closingAWorkspaceInUseKeepsItAndSaysWhy() {
        QTemporaryDir scratch;
        const QString workspace = scratch.path() + "/IMAGE";
        QVERIFY(QDir().mkpath(workspace + "/image"));
        QFile file(workspace + "/image/desktop.jpg");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        TEditorWindow w(TerminalModel::Korvell, workspace);
        QStringList boxes;
        w.setMessageBoxRunner([&](QMessageBox& box) { boxes << box.text(); });
        QLockFile held(workspace + ".lock");
        QVERIFY(held.tryLock(0));
        w.show();
        w.close();
        QCOMPARE(boxes, QStringList{QString("The workspace is in use by another program "
                                            "(process %1).")
                                        .arg(QCoreApplication::applicationPid())});
        QVERIFY(QFileInfo::exists(workspace + "/image/desktop.jpg"));

        held.unlock();
        w.show();
        w.close();
        QVERIFY(!QFileInfo::exists(workspace));
        QCOMPARE(boxes.size(), 1);
    }
};

QTEST_MAIN(WorkspaceLockWindowTest)
#include "workspace_lock_window_test.moc"
