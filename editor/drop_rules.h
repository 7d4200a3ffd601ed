#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace palvex::editor {

// What a drop on the editor asks for.
enum class DropKind {
    Refused,
    Picture, // change the current slot to it
    Archive, // open it as the input dialog does
};

struct DropRequest {
    DropKind kind = DropKind::Refused;
    QString path; // the one local file dropped
};

// One existing local file only. A theme archive (the input dialog's kinds, or a plain tar)
// is taken anywhere on the editor; a picture of the change dialog's kinds only on the
// preview, the place it is meant for. Anything else is refused.
DropRequest dropRequest(const QList<QUrl>& urls, bool onPreview);

} // namespace palvex::editor
