#include "editor/editor_layout.h"

#include <algorithm>
#include <cmath>

namespace palvex::editor {

using namespace theme;

namespace {

constexpr double kSmallestScale = 0.25;
constexpr int kMargin = 8; // between controls, and off the window's edge

int scaled(int length, double scale) {
    return static_cast<int>(std::lround(length * scale));
}

} // namespace

const EditorLayout& editorLayout(TerminalModel model) {
    static const EditorLayout korvell{
        QStringLiteral("Palvex Korvell Image Changer Tool"),
        {553, 414},
        {8, 10},
        {8, 42},
        {80, 8},
        {512, 8},
        {80, 40},
        {512, 40},
        {344, 88},
        {462, 192},
        {344, 256},
        {344, 192},
        {344, 112},
        {424, 224},
        {16, 80, 321, 217},
        {320, 210},
    };
    static const EditorLayout korvellPlus{
        QStringLiteral("Palvex Korvell Plus Image Changer Tool"),
        {1014, 783},
        {160, 8},
        {160, 38},
        {232, 6},
        {664, 6},
        {232, 36},
        {664, 36},
        {808, 72},
        {926, 176},
        {808, 240},
        {808, 176},
        {808, 96},
        {888, 208},
        {0, 64, 800, 609},
        {800, 600},
    };
    return model == TerminalModel::Korvell ? korvell : korvellPlus;
}

LayoutFit fitLayout(const EditorLayout& layout, QSize client) {
    const QSize drawn = layout.windowSize;
    const QRect frame = layout.groupBox1;
    const double byWidth = double(client.width() - (drawn.width() - frame.width())) / frame.width();
    const double byHeight =
        double(client.height() - (drawn.height() - frame.height())) / frame.height();
    LayoutFit fit;
    fit.scale = std::clamp(std::min(byWidth, byHeight), kSmallestScale, 1.0);
    fit.preview =
        QSize(scaled(layout.image1.width(), fit.scale), scaled(layout.image1.height(), fit.scale));
    // The frame keeps its edges around the picture.
    fit.previewFrame = QRect(frame.topLeft(), frame.size() - layout.image1 + fit.preview);
    fit.shiftLeft =
        std::clamp(drawn.width() - client.width(), 0, frame.width() - fit.previewFrame.width());
    // The strip stays as drawn in a larger window, and never runs into the log in a smaller.
    const int logTop =
        std::clamp(client.height(), smallestClient(layout).height(), drawn.height()) - kLogHeight;
    fit.progressStrip =
        QRect(QPoint(std::max(frame.left(), kMargin), fit.previewFrame.bottom() + 1),
              QPoint(fit.previewFrame.right(), logTop - 1));
    return fit;
}

QSize smallestClient(const EditorLayout& layout) {
    const QRect frame = layout.groupBox1;
    const int beside = layout.windowSize.width() - frame.width();
    const int around = layout.windowSize.height() - frame.height();
    // The file rows above the preview keep their places; the column right of it ends with the
    // overview button.
    const int rowsRight = layout.btnFileOutput.x() + 25 + kMargin;
    const int columnBottom =
        layout.btnCompress.y() + kOverviewBelowCompile.y() + kOverviewButton.height() + kMargin;
    return {std::max(beside + scaled(frame.width(), kSmallestScale), rowsRight),
            std::max(around + scaled(frame.height(), kSmallestScale), columnBottom + kLogHeight)};
}

} // namespace palvex::editor
