#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QAction;
class QImage;
class QWidget;

namespace palvex::pictures {
class ThemeEditor;
struct FitTarget;
} // namespace palvex::pictures

namespace palvex::editor {

class FitDialog;
class WindowWork;

// "Fit a picture to this slot…" in an editor window: from the preview's context menu, a
// keyboard shortcut, or a picture dropped on the preview with Shift held (the window takes
// the drop). The fitted picture is shown beside the current one and, on OK, goes through the
// editor's change; errors go to the window's error box. Reading, fitting and the change run on the
// window's worker.
class FitActions : public QObject {
    Q_OBJECT
public:
    using PictureChooser = std::function<std::optional<QString>()>;
    using DialogRunner = std::function<bool(FitDialog&)>; // true for OK

    FitActions(QWidget& window, pictures::ThemeEditor& editor, WindowWork& work);

    QAction* action() const { return action_; }
    // Replaceable so that tests can script the choice and the dialog.
    void setPictureChooser(PictureChooser chooser) { choosePicture_ = std::move(chooser); }
    void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

    void fitChosenPicture();
    void fitPicture(const QString& picture);

signals:
    // A fitted picture went into its slot.
    void slotChanged();

private:
    void fitOnWorker(const QString& picture);
    std::optional<QByteArray> askUser(const QString& slotFile, const QImage& source,
                                      const pictures::FitTarget& target);

    QWidget& window_;
    pictures::ThemeEditor& editor_;
    WindowWork& work_;
    QAction* action_;
    PictureChooser choosePicture_;
    DialogRunner runDialog_;
};

} // namespace palvex::editor
