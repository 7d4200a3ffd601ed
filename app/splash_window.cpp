#include "app/splash_window.h"

#include "editor/window_placement.h"
#include "editor/window_style.h"
#include "theme/texts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace palvex::app {

namespace {

QPushButton* modelButton(QWidget* parent, const char* name, const QString& text, int top) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(true); // Enter on the focused button starts it, as Space does
    button->setGeometry(88, top, 201, 33);
    editor::makeBold(button);
    return button;
}

} // namespace

TfrmSplash::TfrmSplash(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(theme::texts::kApplicationTitle);
    editor::applyWindowFont(this);
    setFixedSize(373, 140);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(rect());

    Label1 = new QLabel(QStringLiteral("Please select to continue "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 16);
    editor::makeBold(Label1);
    Label1->adjustSize();

    btn1 = modelButton(this, "btn1", QStringLiteral("Korvell"), 48);
    btn2 = modelButton(this, "btn2", QStringLiteral("Korvell Plus"), 88);
    setTabOrder(btn1, btn2);
    btn1->setFocus();

    connect(btn1, &QPushButton::clicked, this, &TfrmSplash::rbtn1Click);
    connect(btn2, &QPushButton::clicked, this, &TfrmSplash::rbtn2Click);
}

void TfrmSplash::setEditors(QWidget* korvell, QWidget* korvellPlus) {
    frmMain_ = korvell;
    frmPlus_ = korvellPlus;
}

void TfrmSplash::rbtn1Click() {
    handOverTo(frmMain_);
}

void TfrmSplash::rbtn2Click() {
    handOverTo(frmPlus_);
}

void TfrmSplash::handOverTo(QWidget* editor) {
    hide();
    if (!editor)
        return;
    editor->show();
    emit handedOver(editor);
}

void TfrmSplash::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    editor::placeOnScreen(this);
}

void TfrmSplash::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::quit();
}

} // namespace palvex::app
