#pragma once

#include "theme/theme_session.h"

#include <QString>

namespace palvex::pictures {

// The slot editing of one editor: the preview of the selected slot, the check and change of
// its picture, and taking changes back.
class SlotEditor {
public:
    enum class PreviewResult { NoFile, Shown, Failed };

    explicit SlotEditor(theme::ThemeSession& session);

    // The file of the last slot previewed, or picked while its file is missing or cannot be
    // decoded; the target of a change.
    const QString& currentSlotFile() const { return currentSlotFile_; }
    // Whether a change has a slot file to write: there, or missing in an unpacked workspace.
    bool hasTarget() const;

    // Shows the selected slot's picture and details and makes it the current slot file.
    PreviewResult previewSelectedSlot();

    // Lets the user pick a picture and, when it passes the checks, copies it over the
    // current slot file.
    void changePicture();
    // Changes the current slot to this picture: the name and limit checks with their boxes,
    // the copy, the log line and the preview, as the change button does. Every way a picture
    // reaches a slot (the dialog, a drop) comes through here. False when nothing was changed.
    bool replaceCurrentSlot(const QString& picture);

    // Puts back the slot file the newest change replaced, selecting and showing its slot; false
    // (with a log line) when there is none.
    bool undoChange();
    bool canUndo() const { return !session_.undo.isEmpty(); }
    // Forgets the kept pictures: the workspace they belong to is gone.
    void forgetChanges() {
        session_.undo.clear();
        session_.changed = false;
    }

    // The name check followed by the limit checks; shows the refusal and answers false.
    bool acceptsReplacement(const QString& picture, const QString& slotFile);

    // The selected slot's size and dimension limits; shows the refusal and answers false.
    // Raises palvex::Exception when the picture cannot be decoded.
    bool checkImageFile(const QString& picture);
    // The same against the limits of the given slot.
    bool checkImageFile(const QString& picture, int slot);

private:
    int slotOf(const QString& slotFile) const;
    // One log line beside a refusal's box: the picture's real name, kb, height and width
    // against the slot's limits.
    void logRefusal(const QString& picture, int slot);
    QString boxName(int slot) const;
    bool removeFromSlot(const QString& slotFile);
    bool putIntoSlot(const QString& source, const QString& slotFile, const QString& done,
                     const QString& name);

    theme::ThemeSession& session_;
    QString currentSlotFile_;
};

} // namespace palvex::pictures
