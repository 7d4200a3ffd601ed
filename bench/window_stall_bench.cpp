// The editor window's longest event-loop stall while it compiles and unpacks a 120 MB theme:
// a timer in the window's thread ticks every millisecond and the longest gap between two
// ticks is what a user would have seen as a frozen window. Beside it, the most processor
// time the window's thread spent within one gap: what of a gap was the program's own work
// rather than the machine's scheduling. Offscreen, one process.
#include "bench/measure.h"
#include "editor/editor_window.h"

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <time.h>

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
    double busiestMs = 0; // the most the window's thread itself worked between two ticks
    int over50Ms = 0;     // how many gaps were longer than the target
    double seconds = 0;
};

// The processor time the calling thread has used: a gap in which the window's thread did not
// work was the machine's scheduling, not the program.
double threadMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Runs the window's event loop from start() until finished() holds, noting the gaps between
// the ticks of a 1 ms timer.
Stall measureStall(const std::function<void()>& start, const std::function<bool()>& finished) {
    QElapsedTimer clock, sinceTick;
    Stall stall;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(1);
    bool started = false;
    double worked = threadMs();
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const double gap = sinceTick.nsecsElapsed() / 1e6;
        sinceTick.restart();
        stall.longestMs = std::max(stall.longestMs, gap);
        stall.busiestMs = std::max(stall.busiestMs, threadMs() - worked);
        worked = threadMs();
        stall.over50Ms += gap > 50;
        if (!started) {
            started = true;
            clock.start();
            start();
        } else if (finished()) {
            stall.seconds = clock.elapsed() / 1e3;
            QCoreApplication::quit();
        }
    });
    sinceTick.start();
    ticks.start();
    QCoreApplication::exec();
    return stall;
}

// Until the log holds `until` and the pipeline buttons are usable again.
std::function<bool()> logged(editor::TEditorWindow& window, const QString& until) {
    auto* log = window.findChild<QPlainTextEdit*>(QStringLiteral("log"));
    auto* compile = window.findChild<QPushButton*>(QStringLiteral("btnCompress"));
    return [=] {
        return log->toPlainText().contains(until) && compile->isEnabled();
    };
}

// The archive dropped on the window, as a file manager drops it: the open without its dialog.
void dropArchive(QWidget& window, const QString& archive) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(archive)});
    const QPointF at(window.width() / 2, window.height() - 20); // on the log
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
}

void printStall(const char* what, const Stall& stall) {
    std::printf("%-30s %9.1f ms %9.1f ms %7d %9.3f s\n", what, stall.longestMs, stall.busiestMs,
                stall.over50Ms, stall.seconds);
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
    const auto reportBox = [](QMessageBox& box) {
        std::fprintf(stderr, "box: %s\n", qPrintable(box.text()));
    };
    for (int i = 0; i < 4; ++i)
        writeNoise(folder + "/tree/image/part" + std::to_string(i) + ".bin", 30LL << 20);

    std::printf("%-30s %12s %12s %7s %11s\n", "window (offscreen)", "longest gap", "its own work",
                ">50 ms", "run");
    {
        // What the machine's own scheduling costs a window that does nothing.
        editor::TEditorWindow window(theme::TerminalModel::Korvell, workspace);
        window.show();
        QElapsedTimer idle;
        idle.start();
        printStall("idle 10 s", measureStall([] {}, [&] { return idle.elapsed() >= 10000; }));
    }
    {
        editor::TEditorWindow window(theme::TerminalModel::Korvell, tree);
        window.setMessageBoxRunner(reportBox);
        window.findChild<QLineEdit*>(QStringLiteral("edtOutput"))->setText(archive);
        window.show();
        printStall("compile 120 MB in 4 files",
                   measureStall([&] { window.btnCompressClick(); },
                                logged(window, QStringLiteral("Process Done!"))));
    }
    {
        editor::TEditorWindow window(theme::TerminalModel::Korvell, workspace);
        window.setMessageBoxRunner(reportBox);
        window.show();
        printStall("unpack 120 MB in 4 files",
                   measureStall([&] { dropArchive(window, archive); },
                                logged(window, QStringLiteral("Unpacked Files :4"))));
    }
    {
        // Thousands of log lines at once: every entry a link, refused and reported.
        const std::string links = folder + "/links";
        fs::create_directories(links + "/image");
        for (int i = 0; i < 10000; ++i)
            fs::create_symlink("desktop.jpg", links + "/image/link" + std::to_string(i));
        const std::string tar = folder + "/links.tar";
        if (std::system(("tar -cf '" + tar + "' -C '" + links + "' image").c_str()) != 0)
            return 1;
        editor::TEditorWindow window(theme::TerminalModel::Korvell, workspace + "-links");
        window.setMessageBoxRunner(reportBox);
        window.show();
        printStall("unpack 10 000 refused links",
                   measureStall([&] { dropArchive(window, QString::fromStdString(tar)); },
                                logged(window, QStringLiteral("Unpacked Files :0"))));
    }
    fs::remove_all(folder);
    return 0;
}
