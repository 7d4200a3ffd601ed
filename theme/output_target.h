#pragma once

#include "platform/file_operations.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace palvex::theme {

// What a command's output file may not be, besides anything that is not a regular file.
struct OutputRules {
    QString workspace;    // the workspace: nothing inside it, nor its lock file, is written
    QStringList inputs;   // the files the command reads: never written over
    QStringList suffixes; // the name must end in one of these (".png"), in any case; empty: any
};

// "a folder", "a FIFO", "a socket", "a device"; empty for a file, a link or nothing.
QString entryKindName(platform::EntryKind kind);

// Why output may not be written, or nothing when it may; checked before any work. The output
// lands where its folder, links resolved, and its own name say: a link standing at the name
// is replaced, never written through, so it may point anywhere. What is there and is not a
// regular file or a link (a folder, FIFO, socket or device) is never replaced.
std::optional<QString> outputRefusal(const QString& output, const OutputRules& rules);

// Writes bytes as output, beside it and then renamed over it, so that a failed write leaves
// the output as it was and a link at its name is replaced. False with the system's reason.
bool writeOutputFile(const QString& output, const QByteArray& bytes, QString* reason);

} // namespace palvex::theme
