#include "editor/window_relay.h"

#include "editor/pipeline_worker.h"

#include <QImage> // pictures cross threads as shared copies

namespace palvex::editor {

using theme::EditorView;
using theme::PipelineUi;

WindowRelay::WindowRelay(PipelineUi& ui, EditorView& view, PipelineWorker& worker)
    : ui_(ui), view_(view), worker_(worker) {}

template <typename Call> void WindowRelay::post(Call call) const {
    worker_.mailbox().post(std::move(call));
}

template <typename T, typename Call> T WindowRelay::answer(Call call, T otherwise) const {
    worker_.mailbox().ask([&] { otherwise = call(); });
    return otherwise;
}

void WindowRelay::appendLog(const QString& line) {
    post([this, line] { ui_.appendLog(line); });
}

void WindowRelay::showError(const QString& text) {
    worker_.mailbox().ask([&] { ui_.showError(text); });
}

void WindowRelay::showMessage(const QString& text) {
    worker_.mailbox().ask([&] { ui_.showMessage(text); });
}

void WindowRelay::beep() {
    post([this] { ui_.beep(); });
}

void WindowRelay::setBusy(bool busy) {
    post([this, busy] { ui_.setBusy(busy); });
}

// The flag is the worker's own: asking the window would wait behind everything queued.
bool WindowRelay::cancelRequested() {
    return worker_.cancelRequested();
}

void WindowRelay::showProgress(int percent) {
    post([this, percent] { ui_.showProgress(percent); });
}

void WindowRelay::setPipelineRunning(bool running) {
    post([this, running] { ui_.setPipelineRunning(running); });
}

std::optional<QString> WindowRelay::chooseInputArchive(const QString& initialFolder) {
    return answer<std::optional<QString>>([&] { return ui_.chooseInputArchive(initialFolder); });
}

std::optional<QString> WindowRelay::chooseOutputArchive() {
    return answer<std::optional<QString>>([&] { return ui_.chooseOutputArchive(); });
}

std::optional<QString> WindowRelay::choosePicture() {
    return answer<std::optional<QString>>([&] { return ui_.choosePicture(); });
}

int WindowRelay::selectedSlot() const {
    return answer<int>([&] { return view_.selectedSlot(); }, -1);
}

void WindowRelay::selectSlot(int index) {
    post([this, index] { view_.selectSlot(index); });
}

QString WindowRelay::inputFile() const {
    return answer<QString>([&] { return view_.inputFile(); });
}

void WindowRelay::setInputFile(const QString& path) {
    post([this, path] { view_.setInputFile(path); });
}

QString WindowRelay::outputFile() const {
    return answer<QString>([&] { return view_.outputFile(); });
}

void WindowRelay::focusOutputFile() {
    post([this] { view_.focusOutputFile(); });
}

void WindowRelay::showPicture(const QImage& picture) {
    post([this, picture] { view_.showPicture(picture); });
}

void WindowRelay::measurePicture(const QImage& picture) {
    post([this, picture] { view_.measurePicture(picture); });
}

QString WindowRelay::fileNameCaption() const {
    return answer<QString>([&] { return view_.fileNameCaption(); });
}

void WindowRelay::setFileNameCaption(const QString& text) {
    post([this, text] { view_.setFileNameCaption(text); });
}

void WindowRelay::setFileSizeCaption(const QString& text) {
    post([this, text] { view_.setFileSizeCaption(text); });
}

void WindowRelay::setDimensionCaption(const QString& text) {
    post([this, text] { view_.setDimensionCaption(text); });
}

} // namespace palvex::editor
