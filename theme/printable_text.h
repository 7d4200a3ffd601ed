#pragma once

#include <QString>
#include <QStringView>
#include <string_view>

namespace palvex::theme {

// Names come from archives and workspaces made by strangers: a newline in one would forge a
// result line, an escape sequence would drive the user's terminal. Every text output shows
// such characters escaped, the way C writes them: \n, \r, \t, \x1b, \u200e.
//
// C0 controls, DEL, C1 controls and the bidirectional overrides are escaped; a tab is kept
// when keepTabs is set (lines whose fields are tab-separated escape the tabs of their fields
// instead).
QString printable(QStringView text, bool keepTabs = false);

// A file name as the file system holds it: valid UTF-8 is shown as text (escaped as above),
// every byte that is not part of valid UTF-8 as \xNN.
QString printableName(std::string_view bytes);

bool isValidUtf8(std::string_view bytes);

// A file name as the file system holds it, as text: the name itself when it is valid UTF-8
// (so that it still names the file), else its printableName form. Shown to the user, it
// still goes through printable.
QString nameText(std::string_view bytes);

} // namespace palvex::theme
