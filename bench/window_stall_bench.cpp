// The editor window's longest event-loop stall while it compiles and unpacks a 120 MB theme:
// a timer in the window's thread ticks every millisecond and the longest gap between two
// ticks is what a user would have seen as a frozen window. Offscreen, one process.
#include "bench/measure.h"
#include "editor/editor_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

using namespace palvex;
namespace fs = std::filesystem;

namespace {

// Incompressible, as the pictures of a real theme are: bzip2 works hardest on it.
void writeNoise(const std::string& path, long long bytes) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937 engine(static_cast<unsigned>(bytes));
    std::vector<std::uint32_t> chunk(1 << 18);
    for (long long written = 0; written < bytes;) {
        for (std::uint32_t& word : chunk)
            word = engine();
        const long long n = std::min<long long>(bytes - written, chunk.size() * 4);
        out.write(reinterpret_cast<const char*>(chunk.data()), n);
        written += n;
    }
}

struct Stall {
    double longestMs = 0;
    double seconds = 0;
};

// Runs the window's event loop from start() until the log holds `until` and the pipeline
// buttons are usable again, noting the longest gap between the ticks of a 1 ms timer.
Stall measureStall(editor::TEditorWindow& window, const std::function<void()>& start,
                   const QString& until) {
    auto* log = window.findChild<QPlainTextEdit*>(QStringLiteral("log"));
    auto* compile = window.findChild<QPushButton*>(QStringLiteral("btnCompress"));
    QElapsedTimer clock, sinceTick;
    Stall stall;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    bool started = false;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        stall.longestMs = std::max(stall.longestMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
        if (!started) {
            started = true;
            clock.start();
            start();
        } else if (log->toPlainText().contains(until) && compile->isEnabled()) {
            stall.seconds = clock.elapsed() / 1e3;
            QCoreApplication::quit();
        }
    });
    sinceTick.start();
    ticks.start();
    QCoreApplication::exec();
    return stall;
}

void printStall(const char* what, const Stall& stall) {
    std::printf("%-34s %9.1f ms %9.3f s\n", what, stall.longestMs, stall.seconds);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::string folder = bench::scratchFolder();
    ::setenv("TMPDIR", folder.c_str(), 1);
    const QString tree = QString::fromStdString(folder + "/tree");
    const QString workspace = QString::fromStdString(folder + "/W");
    const QString archive = QString::fromStdString(folder + "/img.bz2");
    fs::create_directories(folder + "/tree/image");
    for (int i = 0; i < 4; ++i)
        writeNoise(folder + "/tree/image/part" + std::to_string(i) + ".bin", 30LL << 20);

    std::printf("%-34s %12s %11s\n", "window (offscreen)", "longest stall", "run");
    {
        editor::TEditorWindow window(theme::TerminalModel::Korvell, tree);
        window.setMessageBoxRunner(
            [](QMessageBox& box) { std::fprintf(stderr, "box: %s\n", qPrintable(box.text())); });
        window.setFileDialogRunner([&](QFileDialog&) { return std::optional<QString>(archive); });
        window.show();
        printStall("compile 120 MB in 4 files", measureStall(
                                                    window,
                                                    [&] {
                                                        window.btnFileOutputClick();
                                                        window.btnCompressClick();
                                                    },
                                                    QStringLiteral("Process Done!")));
    }
    {
        editor::TEditorWindow window(theme::TerminalModel::Korvell, workspace);
        window.setMessageBoxRunner(
            [](QMessageBox& box) { std::fprintf(stderr, "box: %s\n", qPrintable(box.text())); });
        window.setFileDialogRunner([&](QFileDialog&) { return std::optional<QString>(archive); });
        window.show();
        printStall("unpack 120 MB in 4 files", measureStall(
                                                   window, [&] { window.btnFileOpenClick(); },
                                                   QStringLiteral("Unpacked Files :4")));
    }
    fs::remove_all(folder);
    return 0;
}
