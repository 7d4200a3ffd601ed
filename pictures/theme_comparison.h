#pragma once

#include "pictures/theme_verification.h"

#include <QList>
#include <QSize>
#include <QString>
#include <optional>

namespace palvex::pictures {

enum class Difference { Same, Changed, OnlyInA, OnlyInB };

// "same", "changed", "only-in-A", "only-in-B".
QString differenceName(Difference difference);

// One slot of two themes: each side as the verification finds it (with a thumbnail when the
// slot differs and one was asked for), and how far the pictures are alike when both decode.
struct SlotComparison {
    SlotFinding a, b;
    Difference difference = Difference::Same;
    std::optional<double> similarity; // SSIM, B brought to A's height and width first
};

struct ExtraFileComparison {
    QString relativePath;
    Difference difference = Difference::Same;
};

struct ThemeComparison {
    theme::TerminalModel model = theme::TerminalModel::Korvell;
    QList<SlotComparison> bySlot;          // catalogue order
    QList<ExtraFileComparison> extraFiles; // files of no slot on either side, sorted

    qsizetype slotsWith(Difference difference) const;
    qsizetype extraFilesWith(Difference difference) const;
    bool same() const;
};

// Compares two workspaces slot by slot with the verification's rules: a slot is the same when
// both files hold the same bytes (or both are missing). One slot of each side is decoded at a
// time.
ThemeComparison compareThemes(theme::TerminalModel model, const QString& rootA,
                              const QString& rootB, QSize thumbnailBox = {});

} // namespace palvex::pictures
