#include "editor/editor_layout.h"

namespace palvex::editor {

using namespace theme;

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

} // namespace palvex::editor
