#pragma once

#include "pictures/picture_fitter.h"
#include "platform/temporary_file.h"
#include "theme/slot_catalogue.h"

#include <QImage>
#include <QString>
#include <memory>

namespace palvex::pictures {

// What a slot asks of a fitted picture: the slot file's format, a box the size of the slot's
// current picture when it exists and decodes (never beyond the limit group), else the limit
// group's maximum, and the group's kb limit. Raises palvex::Exception for a slot file of a
// format no fitting writes.
FitTarget slotFitTarget(theme::TerminalModel model, int slot, const QString& workspaceRoot,
                        bool fill);

// Reads any picture the installed readers know, by its content, turned upright; a JPEG too
// large for the readers' memory limit at a reduced scale. Raises palvex::Exception with the
// reader's reason when it cannot.
QImage readPictureToFit(const QString& path);

// "Fitted mi1.gif : H:37 W:55, 2.95 kb, 64 colours".
QString fittedLine(const QString& name, const FittedPicture& fitted);

// A fitted picture written under a slot file's name (the change's name check compares names)
// into a new folder of its own in the private temporary folder; both go with the object.
// Raises palvex::Exception when they cannot be written.
class StagedPicture {
public:
    StagedPicture(const QString& name, const QByteArray& bytes);
    const QString& path() const { return path_; }

private:
    std::unique_ptr<platform::TemporaryFolder> folder_;
    QString path_;
};

} // namespace palvex::pictures
