#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace palvex::editor {

// What a drop on the editor asks for.
enum class DropKind {
    Refused,
    Picture, // change the current slot to it
    Fit,     // fit it to the current slot (dropped on the preview with Shift held)
    Archive, // open it as the input dialog does
};

// Why a drop is refused; the log says so in one line.
enum class DropRefusal {
    None,
    NotOneFile,
    NotLocal,
    NotAFile,     // missing, or a folder
    NotOnPreview, // a picture beside the preview
    UnknownKind,
    WorkPending,
};

struct DropRequest {
    DropKind kind = DropKind::Refused;
    QString path; // the one local file dropped
    DropRefusal refusal = DropRefusal::None;
};

// One existing local file only. A theme archive (the input dialog's kinds, or a plain tar)
// is taken anywhere on the editor; on the preview, the place it is meant for, a picture of
// the change dialog's kinds or a bitmap is changed to, and with Shift held any picture is
// fitted. Anything else is refused, saying why.
DropRequest dropRequest(const QList<QUrl>& urls, bool onPreview, bool shiftHeld);

// The log line of a refused drop.
QString refusalLine(const QList<QUrl>& urls, DropRefusal refusal);

} // namespace palvex::editor
