// The editor window from the keyboard and for assistive technology: a key for each button that
// starts something, tooltips and accessible names that say what each does, labels tied to
// their fields, and a log that Tab leaves.
#include "editor/editor_window.h"
#include "theme/texts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

namespace palvex::editor {

using namespace theme;

void TEditorWindow::setUpKeyboard() {
    // Alt and a letter, as a mnemonic would give, without the underlined letter that would
    // change the buttons' texts.
    struct ButtonKeys {
        QPushButton* button;
        QKeySequence key;
        const QString& action;
    } const buttons[] = {
        {btnFileOpen, QKeySequence(Qt::ALT | Qt::Key_O), texts::kOpenArchiveAction},
        {btnFileOutput, QKeySequence(Qt::ALT | Qt::Key_U), texts::kChooseOutputAction},
        {btnReplace, QKeySequence(Qt::ALT | Qt::Key_C), texts::kChangeAction},
        {btnCompress, QKeySequence(Qt::ALT | Qt::Key_M), texts::kCompileAction},
        {btnOverview, QKeySequence(Qt::ALT | Qt::Key_V), texts::kOverviewAction},
    };
    for (const ButtonKeys& keys : buttons) {
        // A greyed button ignores its key as it ignores a click.
        auto* shortcut = new QShortcut(keys.key, this);
        connect(shortcut, &QShortcut::activated, keys.button, &QPushButton::animateClick);
        QStringList all{keys.key.toString(QKeySequence::NativeText)};
        if (!keys.button->shortcut().isEmpty())
            all.prepend(keys.button->shortcut().toString(QKeySequence::NativeText));
        keys.button->setToolTip(
            texts::kActionWithKeys.arg(keys.action, all.join(QStringLiteral(", "))));
        keys.button->setAccessibleName(keys.action);
    }
    Label1->setBuddy(edtFileBz2);
    Label2->setBuddy(edtOutput);
    log->setTabChangesFocus(true); // it takes typed text, never a Tab
}

} // namespace palvex::editor
