#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <span>

namespace palvex::theme {

enum class TerminalModel { Korvell, KorvellPlus };

struct Slot {
    const char* label;
    const char* relativePath; // below the workspace root, "/"-separated
};

struct LimitGroup {
    char name;
    double maxSizeKb;
    int maxHeight;
    int maxWidth;
};

std::span<const Slot> slotCatalogue(TerminalModel model);
QStringList slotLabels(TerminalModel model);

// The full path of the slot at index below the workspace root; none outside the catalogue
// (index -1 is what an empty selection gives).
std::optional<QString> slotPath(TerminalModel model, int index, const QString& workspaceRoot);

// The first slot whose path below the workspace root (as the catalogue gives it) matches.
std::optional<int> findSlot(TerminalModel model,
                            const std::function<bool(const QString& relativePath)>& matches);

// Defined for every index, -1 included.
LimitGroup limitGroup(TerminalModel model, int index);

// "korvell" or "korvell-plus", as the command line names the models.
std::optional<TerminalModel> modelFromName(const QString& name);

// "Korvell" or "Korvell Plus", as the chooser names the models; and the other one of the two.
QString modelDisplayName(TerminalModel model);
TerminalModel otherModel(TerminalModel model);

// The folder of the model's sample theme, "Korvell/" or "KorvellPlus/", beside the program or
// among the installed samples.
QString modelFolder(TerminalModel model);

} // namespace palvex::theme
