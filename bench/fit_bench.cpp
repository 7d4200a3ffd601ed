// Fitting pictures to slots (palvex-theme fit --output) against ImageMagick's convert on the
// same inputs and boxes: sizes, similarity to the resized original, and wall time. The inputs
// are real pictures from Debian packages (bench/run installs them), a few made from them in
// the forms users bring (progressive and CMYK JPEG, 16-bit PNG, animated GIF, a large photo),
// and two drawn here.
#include "bench/measure.h"
#include "pictures/picture_preparation.h"
#include "pictures/picture_similarity.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace palvex::bench;
namespace fs = std::filesystem;

namespace {

// The real one: on some machines `convert` on the path is a wrapper around it.
const std::string kConvert = fs::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert";

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

struct Input {
    std::string name, path;
};

// Pictures from Debian packages, and pictures made from them with ImageMagick.
std::vector<Input> gatherInputs(const std::string& folder) {
    const std::string skimage = "/usr/lib/python3/dist-packages/skimage/data/";
    const std::string desktop = "/usr/share/desktop-base/";
    const std::string adwaita = "/usr/share/icons/Adwaita/512x512/";
    const std::vector<Input> found = {
        {"astronaut (photo)", skimage + "astronaut.png"},
        {"chelsea (photo)", skimage + "chelsea.png"},
        {"camera (grey photo)", skimage + "camera.png"},
        {"hubble (dark JPEG)", skimage + "hubble_deep_field.jpg"},
        {"retina (JPEG)", skimage + "retina.jpg"},
        {"rocket (JPEG)", skimage + "rocket.jpg"},
        {"skimage logo (alpha)", skimage + "logo.png"},
        {"horse (grey+alpha)", skimage + "horse.png"},
        {"bw_text (line art)", skimage + "bw_text.png"},
        {"homeworld (dark wall)", desktop + "homeworld-theme/grub/grub-16x9.png"},
        {"softwaves (wallpaper)", desktop + "softwaves-theme/grub/grub-16x9.png"},
        {"lines (login shot)", desktop + "lines-theme/login/sddm-preview.jpg"},
        {"debian logo (icon)", desktop + "debian-logos/logo-256.png"},
        {"debian text logo", desktop + "debian-logos/logo-text-version-256.png"},
        {"camera-web (icon)", adwaita + "devices/camera-web.png"},
        {"image-x-generic (icon)", adwaita + "mimetypes/image-x-generic.png"},
        {"no_time (anim. GIF)", skimage + "no_time_for_that_tiny.gif"},
    };
    std::vector<Input> inputs;
    for (const Input& input : found) {
        if (fs::exists(input.path))
            inputs.push_back(input);
        else
            std::printf("missing (install with bench/run): %s\n", input.path.c_str());
    }
    struct Made {
        std::string name, from, options, file;
    } const made[] = {
        {"coffee (progressive)", skimage + "coffee.png", "-interlace JPEG -quality 90",
         "coffee-progressive.jpg"},
        {"motorcycle (CMYK JPEG)", skimage + "motorcycle_left.png", "-colorspace CMYK -quality 92",
         "motorcycle-cmyk.jpg"},
        {"astronaut (16-bit PNG)", skimage + "astronaut.png", "-depth 16", "astronaut-16.png"},
        {"chelsea (anim. GIF)", skimage + "chelsea.png", "\\( +clone -flop \\) -delay 50",
         "chelsea-animated.gif"},
        {"coffee 24 MP (JPEG)", skimage + "coffee.png",
         "-resize 6000x4000! -seed 3 -attenuate 0.3 +noise Gaussian -quality 90",
         "coffee-24mp.jpg"},
        {"bw_text on transparent", skimage + "bw_text.png", "-transparent white",
         "bw_text-transparent.png"},
    };
    for (const Made& m : made) {
        if (!fs::exists(m.from))
            continue;
        const std::string path = folder + "/" + m.file;
        run(kConvert + " " + m.from + " " + m.options + " " + path);
        if (fs::exists(path))
            inputs.push_back({m.name, path});
    }
    inputs.push_back({"logo (drawn, alpha)", folder + "/logo.png"});
    writeLogo(inputs.back().path);
    inputs.push_back({"screenshot (drawn)", folder + "/screenshot.png"});
    writeScreenshot(inputs.back().path);
    return inputs;
}

struct Slot {
    const char* name;
    const char* model;
    const char* index;
    const char* file;
    int width, height, maxBytes;
    std::string extension() const { return fs::path(file).extension().string().substr(1); }
};

// ImageMagick's way to the same box and budget: JPEG by its size search; GIF and BMP by
// colours stepped down until the file fits (BMP starts at 24 bits). Only the first frame of
// an animation, in sRGB.
std::string peerScript(const Slot& slot, const std::string& input, const std::string& out) {
    // Reduced only, as ours: ImageMagick enlarges a small picture to the box without '>'.
    const std::string box =
        "'" + std::to_string(slot.width) + "x" + std::to_string(slot.height) + ">'";
    const std::string ext = slot.extension();
    const std::string read = kConvert + " '" + input + "[0]' -colorspace sRGB -resize " + box;
    if (ext == "jpg")
        return read + " -background white -flatten -strip -define jpeg:extent=" +
               std::to_string(slot.maxBytes / 1024) + "kb " + out;
    const std::string flatten = ext == "bmp" ? " -background white -flatten" : "";
    const std::string format = ext == "bmp" ? "BMP3:" : "";
    // Without -type Palette ImageMagick writes the reduced colours as 24 bits.
    const std::string palette = ext == "bmp" ? " -type Palette " : " ";
    const std::string fits =
        " && [ $(stat -c%s " + out + ") -le " + std::to_string(slot.maxBytes) + " ] && exit 0";
    std::string script =
        ext == "bmp" ? read + flatten + " -strip " + format + out + fits + "; " : "";
    script += "for n in 256 128 64 32 16 8 4 2; do " + read + flatten + " -strip -colors $n" +
              palette + format + out + fits + "; done; exit 1";
    return script;
}

struct Quality {
    long long bytes;
    QSize size;
    double ssim;
};

// Similarity to the original resized by ImageMagick to the output's own size, both on white.
Quality judge(const std::string& input, const std::string& output, const std::string& folder) {
    const QImage picture =
        palvex::pictures::flattenedOnWhite(QImage(QString::fromStdString(output)));
    const std::string reference = folder + "/reference.png";
    run(kConvert + " '" + input + "[0]' -colorspace sRGB -resize " +
        std::to_string(picture.width()) + "x" + std::to_string(picture.height()) +
        "! -background white -flatten " + reference);
    const QImage resized = QImage(QString::fromStdString(reference));
    return {(long long)fs::file_size(output), picture.size(),
            palvex::pictures::similarity(resized, picture)};
}

struct Row {
    double ratio;
    bool atLeastPeer;
};

// One row: both tools on one input for one slot, timed in turns, then judged.
Row benchCase(const std::string& theme, const std::string& folder, int runs, const Input& input,
              const Slot& slot) {
    const std::string ours = folder + "/ours/" + fs::path(slot.file).filename().string(),
                      theirs = folder + "/theirs." + slot.extension();
    Measurement timeOurs{1e30, 0}, timeTheirs{1e30, 0};
    for (int i = 0; i < runs; ++i) {
        const Measurement o = measureCommand({theme, "fit", slot.model, slot.index, input.path,
                                              "--workspace", folder + "/W", "--output", ours},
                                             "", "/dev/null", 1);
        const Measurement t =
            measureCommand({"sh", "-c", peerScript(slot, input.path, theirs)}, "", "", 1);
        timeOurs.seconds = std::min(timeOurs.seconds, o.seconds);
        timeTheirs.seconds = std::min(timeTheirs.seconds, t.seconds);
    }
    const Quality q = judge(input.path, ours, folder), p = judge(input.path, theirs, folder);
    const bool over =
        q.bytes > slot.maxBytes || q.size.width() > slot.width || q.size.height() > slot.height;
    const bool checked = std::system(("'" + theme + "' check " + slot.model + " " + slot.index +
                                      " " + ours + " --workspace " + folder + "/W >/dev/null 2>&1")
                                         .c_str()) == 0;
    const double ratio = timeOurs.seconds / timeTheirs.seconds;
    std::printf("| %s | %s | %lld | %lld | %.4f | %.4f | %.3f | %.3f | %.2f |%s%s\n",
                input.name.c_str(), slot.name, q.bytes, p.bytes, q.ssim, p.ssim, timeOurs.seconds,
                timeTheirs.seconds, ratio, over ? " OVER THE LIMITS" : "",
                checked ? "" : " CHECK FAILED");
    std::fflush(stdout);
    return {ratio, q.ssim >= p.ssim - 0.00005};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

// fit_bench [RUNS [NAME-PART]]: best of RUNS (3), only the inputs whose name holds NAME-PART.
int main(int argc, char* argv[]) {
    // Fonts for the drawn pictures, and no window system.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string only = argc > 2 ? argv[2] : "";
    const std::string theme =
        fs::canonical("/proc/self/exe").parent_path().string() + "/palvex-theme";
    const std::string folder = scratchFolder();
    ::setenv("TMPDIR", folder.c_str(), 1);
    fs::create_directories(folder + "/W"); // no slot file: the boxes are the limit groups'
    fs::create_directories(folder + "/ours");

    const Slot targets[] = {
        {"Desktop 45 kb", "korvell", "0", "desktop.jpg", 320, 210, 46080},
        {"mi1 3 kb", "korvell", "4", "mi1.gif", 55, 55, 3072},
        {"Plus Desktop 300 kb", "korvell-plus", "0", "desktop.jpg", 800, 600, 307200},
        {"UserMgmt 200 kb", "korvell-plus", "5", "menulock1.bmp", 220, 300, 204800},
        {"Customize 20 kb", "korvell-plus", "7", "menu6.bmp", 128, 128, 20480},
        {"menu01 20 kb", "korvell-plus", "8", "menu01.gif", 128, 128, 20480},
    };
    std::printf("| input | slot | ours bytes | IM bytes | SSIM ours | SSIM IM | ours s | IM s | "
                "ratio |\n|---|---|---|---|---|---|---|---|---|\n");
    std::map<std::string, std::vector<double>> ratios;
    int cases = 0, atLeastPeer = 0;
    for (const Input& input : gatherInputs(folder)) {
        if (input.name.find(only) == std::string::npos)
            continue;
        for (const Slot& slot : targets) {
            const Row row = benchCase(theme, folder, runs, input, slot);
            ratios[slot.name].push_back(row.ratio);
            ++cases;
            atLeastPeer += row.atLeastPeer;
        }
    }
    std::printf("\n| slot | median ratio | worst ratio |\n|---|---|---|\n");
    for (const Slot& slot : targets) {
        const std::vector<double>& r = ratios[slot.name];
        if (!r.empty())
            std::printf("| %s | %.2f | %.2f |\n", slot.name, median(r),
                        *std::max_element(r.begin(), r.end()));
    }
    std::printf("\nSSIM at least ImageMagick's in %d of %d cases\n", atLeastPeer, cases);
    fs::remove_all(folder);
    return 0;
}
