#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace palvex::app {

// The model chooser, the application's main window: closing it ends the program.
class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSplash(QWidget* parent = nullptr);

    // The editors the two buttons hand over to.
    void setEditors(QWidget* korvell, QWidget* korvellPlus);

    void rbtn1Click();
    void rbtn2Click();

signals:
    // A button hid the chooser and showed this editor.
    void handedOver(QWidget* editor);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void handOverTo(QWidget* editor);

    QWidget* frmMain_ = nullptr;
    QWidget* frmPlus_ = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* btn1 = nullptr;
    QPushButton* btn2 = nullptr;
};

} // namespace palvex::app
