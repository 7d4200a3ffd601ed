#include "tests/support/recording_ui.h"

namespace palvex::test {

namespace {
QStringList withPrefix(const QStringList& events, const QString& prefix) {
    QStringList found;
    for (const QString& event : events)
        if (event.startsWith(prefix))
            found << event.mid(prefix.size());
    return found;
}
} // namespace

QStringList RecordingUi::logLines() const {
    return withPrefix(events, "log: ");
}

QStringList RecordingUi::errors() const {
    return withPrefix(events, "error: ");
}

void RecordingUi::setBusy(bool busy) {
    busyDepth += busy ? 1 : -1;
    events << (busy ? "busy" : "idle");
}

std::optional<QString> RecordingUi::chooseInputArchive(const QString& initialFolder) {
    dialogFolders << initialFolder;
    return next(inputArchives);
}

std::optional<QString> RecordingUi::next(QQueue<QString>& queue) {
    if (queue.isEmpty())
        return std::nullopt;
    return queue.dequeue();
}

} // namespace palvex::test
