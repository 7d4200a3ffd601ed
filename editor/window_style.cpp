#include "editor/window_style.h"

#include <QFont>
#include <QPalette>
#include <QWidget>

namespace palvex::editor {

void applyWindowFont(QWidget* window) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    window->setFont(font);
}

void makeBold(QWidget* control) {
    QFont font = control->font();
    font.setBold(true);
    control->setFont(font);
}

void makeBlue(QWidget* control) {
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    palette.setColor(QPalette::Text, Qt::blue);
    palette.setColor(QPalette::ButtonText, Qt::blue);
    control->setPalette(palette);
}

} // namespace palvex::editor
