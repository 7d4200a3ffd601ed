// Fitting pictures to slots (palvex-theme fit --output) against ImageMagick's convert on the
// same inputs and boxes: sizes, similarity to the resized original, and wall time.
#include "bench/measure.h"
#include "pictures/picture_preparation.h"
#include "pictures/picture_similarity.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace palvex::bench;
namespace fs = std::filesystem;

namespace {

std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        ::pclose(pipe);
    }
    return output;
}

// A flat logo with transparency, as a designer exports it.
void writeLogo(const std::string& path) {
    QImage image(1200, 800, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 30, 40));
    painter.drawEllipse(QRectF(350, 100, 500, 500));
    painter.setBrush(QColor(20, 60, 160));
    painter.drawRoundedRect(QRectF(100, 520, 1000, 180), 40, 40);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(140);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(100, 520, 1000, 180), Qt::AlignCenter, QStringLiteral("PALVEX"));
    painter.end();
    image.save(QString::fromStdString(path), "PNG");
}

// A desktop screenshot: flat panels, text, lines and one gradient.
void writeScreenshot(const std::string& path) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient ground(0, 0, 1920, 1080);
    ground.setColorAt(0, QColor(30, 80, 140));
    ground.setColorAt(1, QColor(120, 40, 90));
    painter.fillRect(image.rect(), ground);
    painter.fillRect(0, 1040, 1920, 40, QColor(40, 40, 40));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(14);
    painter.setFont(font);
    for (int w = 0; w < 3; ++w) {
        const QRect frame(120 + w * 520, 100 + w * 140, 640, 480);
        painter.fillRect(frame, QColor(245, 245, 245));
        painter.fillRect(frame.adjusted(0, 0, 0, -450), QColor(60, 90, 170 - w * 40));
        painter.setPen(Qt::black);
        for (int line = 0; line < 24; ++line)
            painter.drawText(frame.left() + 12, frame.top() + 52 + line * 17,
                             QStringLiteral("%1  Employee %2 checked in at 08:%3 door %4")
                                 .arg(line + 1)
                                 .arg(1000 + line * 7 + w)
                                 .arg(10 + line, 2, 10, QLatin1Char('0'))
                                 .arg(line % 4 + 1));
    }
    painter.end();
    image.save(QString::fromStdString(path), "PNG");
}

struct Slot {
    const char* name;
    const char* model;
    const char* index;
    const char* extension;
    int width, height, maxBytes;
};

// ImageMagick's way to the same box and budget: JPEG by its size search; GIF and BMP by
// colours stepped down until the file fits (BMP starts at 24 bits).
std::string peerScript(const Slot& slot, const std::string& input, const std::string& out) {
    const std::string box = std::to_string(slot.width) + "x" + std::to_string(slot.height);
    const std::string ext = slot.extension;
    if (ext == "jpg")
        return "convert " + input + " -resize " + box + " -background white -flatten -strip " +
               "-define jpeg:extent=" + std::to_string(slot.maxBytes / 1024) + "kb " + out;
    const std::string flatten = ext == "bmp" ? " -background white -flatten" : "";
    const std::string format = ext == "bmp" ? "BMP3:" : "";
    // Without -type Palette ImageMagick writes the reduced colours as 24 bits.
    const std::string palette = ext == "bmp" ? " -type Palette " : " ";
    const std::string fits =
        " && [ $(stat -c%s " + out + ") -le " + std::to_string(slot.maxBytes) + " ] && exit 0";
    std::string script = ext == "bmp" ? "convert " + input + " -resize " + box + flatten +
                                            " -strip " + format + out + fits + "; "
                                      : "";
    script += "for n in 256 128 64 32 16 8 4 2; do convert " + input + " -resize " + box + flatten +
              " -strip -colors $n" + palette + format + out + fits + "; done; exit 1";
    return script;
}

struct Quality {
    long long bytes;
    QSize size;
    double ssim, psnr;
};

// Similarity to the original resized by ImageMagick to the output's own size, both on white.
Quality judge(const std::string& input, const std::string& output, const std::string& folder) {
    const QImage picture =
        palvex::pictures::flattenedOnWhite(QImage(QString::fromStdString(output)));
    const std::string reference = folder + "/reference.png", flat = folder + "/flat.png";
    run("convert " + input + " -resize " + std::to_string(picture.width()) + "x" +
        std::to_string(picture.height()) + "! -background white -flatten " + reference);
    picture.save(QString::fromStdString(flat));
    const QImage resized = QImage(QString::fromStdString(reference));
    const double psnr =
        std::atof(run("compare -metric PSNR " + flat + " " + reference + " null: 2>&1").c_str());
    return {(long long)fs::file_size(output), picture.size(),
            palvex::pictures::similarity(resized, picture), psnr};
}

// One row: both tools on one input for one slot, timed, then judged.
void benchCase(const std::string& theme, const std::string& folder, int runs,
               const std::string& inputName, const std::string& input, const Slot& slot) {
    const std::string ours = folder + "/ours." + slot.extension,
                      theirs = folder + "/theirs." + slot.extension;
    const Measurement timeOurs = measureCommand({theme, "fit", slot.model, slot.index, input,
                                                 "--workspace", folder + "/W", "--output", ours},
                                                "", "/dev/null", runs);
    const Measurement timeTheirs =
        measureCommand({"sh", "-c", peerScript(slot, input, theirs)}, "", "", runs);
    const Quality q = judge(input, ours, folder), p = judge(input, theirs, folder);
    const bool over =
        q.bytes > slot.maxBytes || q.size.width() > slot.width || q.size.height() > slot.height;
    std::printf("%-28s %9lld %9lld %6.4f %6.4f %6.2f %6.2f %9.3f %9.3f %6.3f%s\n",
                (inputName + ", " + slot.name).c_str(), q.bytes, p.bytes, q.ssim, p.ssim, q.psnr,
                p.psnr, timeOurs.seconds, timeTheirs.seconds, timeOurs.seconds / timeTheirs.seconds,
                over ? "  OVER THE LIMITS" : "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string theme =
        fs::canonical("/proc/self/exe").parent_path().string() + "/palvex-theme";
    const std::string folder = scratchFolder();
    ::setenv("TMPDIR", folder.c_str(), 1);
    fs::create_directories(folder + "/W"); // no slot file: the boxes are the limit groups'

    const std::string photo = folder + "/photo.jpg", logo = folder + "/logo.png",
                      screenshot = folder + "/screenshot.png";
    run("convert -size 4000x3000 -seed 7 plasma:fractal -attenuate 0.4 +noise Gaussian "
        "-quality 92 " +
        photo);
    writeLogo(logo);
    writeScreenshot(screenshot);

    const Slot targets[] = {{"Desktop 45 kb", "korvell", "0", "jpg", 320, 210, 46080},
                            {"icon 3 kb", "korvell", "4", "gif", 55, 55, 3072},
                            {"Customize 20 kb", "korvell-plus", "7", "bmp", 128, 128, 20480}};
    const std::pair<const char*, std::string> inputs[] = {
        {"photo 12 MP", photo}, {"logo", logo}, {"screenshot", screenshot}};
    std::printf("%-28s %9s %9s %6s %6s %6s %6s %9s %9s %6s\n", "fit (best of runs)", "ours B",
                "IM B", "SSIM", "IM", "PSNR", "IM", "ours s", "IM s", "ratio");
    for (const auto& [inputName, input] : inputs)
        for (const Slot& slot : targets)
            benchCase(theme, folder, runs, inputName, input, slot);
    fs::remove_all(folder);
    return 0;
}
