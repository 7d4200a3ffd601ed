#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QAction;
class QWidget;

namespace palvex::editor {

class FitDialog;
class TEditorWindow;

// "Fit a picture to this slot…" in an editor window: from the preview's context menu, a
// keyboard shortcut, or a picture dropped on the preview with Shift held. The fitted picture
// is shown beside the current one and, on OK, goes through the window's change.
class FitActions : public QObject {
    Q_OBJECT
public:
    using PictureChooser = std::function<std::optional<QString>()>;
    using DialogRunner = std::function<bool(FitDialog&)>; // true for OK

    FitActions(TEditorWindow& window, QWidget& preview);

    QAction* action() const { return action_; }
    // Replaceable so that tests can script the choice and the dialog.
    void setPictureChooser(PictureChooser chooser) { choosePicture_ = std::move(chooser); }
    void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

    void fitChosenPicture();
    void fitPicture(const QString& picture);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TEditorWindow& window_;
    QAction* action_;
    PictureChooser choosePicture_;
    DialogRunner runDialog_;
};

} // namespace palvex::editor
