#include "theme/slot_catalogue.h"

#include <array>
#include <climits>

namespace palvex::theme {

namespace {

constexpr std::array<Slot, 30> kKorvellSlots{{
    {"Desktop", "image/desktop.jpg"},
    {"MainMenu", "image/mainmenu.jpg"},
    {"SubMenu", "image/submenubg.jpg"},
    {"ShutDown", "image/shutdown.jpg"},
    {"1. User", "image/mi1.gif"},
    {"2. Comm", "image/mi2.gif"},
    {"3. System", "image/mi3.gif"},
    {"4. Date/Time", "image/mi4.gif"},
    {"5. PenDrive", "image/mi5.gif"},
    {"6. Auto Test", "image/mi6.gif"},
    {"7. Record", "image/mi7.gif"},
    {"8. Sys Info", "image/mi8.gif"},
    {"1.1 New User", "image/mi11.gif"},
    {"1.2 Manage", "image/mi12.gif"},
    {"1.3 SMS", "image/mi13.gif"},
    {"1.4 Workcode", "image/workcode.gif"},
    {"1.5 Access", "image/door_m.gif"},
    {"2.1 Network", "image/mi21.gif"},
    {"2.2 RS232/485", "image/mi22.gif"},
    {"2.3 Security", "image/mi23.gif"},
    {"2.4 WIFI", "image/wifi.gif"},
    {"2.5  Wireless", "image/single.gif"}, // two spaces, as the terminal's menu shows it
    {"3.1 System", "image/mi31.gif"},
    {"3.2 Data", "image/mi32.gif"},
    {"3.3 Update", "image/mi33.gif"},
    {"3.4 Keyboard", "image/mi34.gif"},
    {"3.5 Display", "image/mi35.gif"},
    {"3.6 Reset", "image/mi37.gif"}, // the terminal's own numbering: 37, 38, then 36
    {"3.7 Bell", "image/mi38.gif"},
    {"3.8 Other", "image/mi36.gif"},
}};

constexpr std::array<Slot, 20> kKorvellPlusSlots{{
    {"Desktop", "image/en/desktop.jpg"},
    {"MainMenu", "image/en/mainmenu.jpg"},
    {"SubMenu", "image/en/mngbg.jpg"},
    {"Working", "image/en/working.jpg"},
    {"ItemBackground", "image/en/itembg.jpg"},
    {"UserManagement", "image/en/menulock1.bmp"},
    {"System", "image/en/menu5.bmp"},
    {"Customize", "image/en/menu6.bmp"},
    {"MenuButton", "image/en/menu01.gif"},
    {"ArrowButton", "image/en/menu02.gif"},
    {"ReturnButton", "image/en/escen.gif"},
    {"DoneButton", "image/en/btnsave.gif"},
    {"BackButton", "image/en/btnexit.gif"},
    {"WaitCursor", "image/en/mainpic/02.gif"},
    {"Success", "image/en/opendoor.gif"},
    {"Fail", "image/en/fail.gif"},
    {"Card", "image/en/card.gif"},
    {"Three", "image/en/three.gif"},
    {"Two", "image/en/two.gif"},
    {"One", "image/en/one.gif"},
}};

// The first rule whose index range holds the index gives the group; the last rule covers
// everything else, which is how an empty selection (-1) gets its limits.
struct LimitRule {
    int lowest;
    int highest;
    LimitGroup group;
};

constexpr LimitGroup kGroupA{'A', 45.0, 210, 320};
constexpr LimitGroup kGroupB{'B', 30.0, 210, 320};
constexpr LimitGroup kGroupC{'C', 3.0, 55, 55};
constexpr LimitGroup kGroupP{'P', 300.0, 600, 800};
constexpr LimitGroup kGroupQ{'Q', 200.0, 300, 220}; // taller than wide
constexpr LimitGroup kGroupR{'R', 20.0, 128, 128};

constexpr std::array<LimitRule, 3> kKorvellLimits{{
    {0, 0, kGroupA},
    {4, INT_MAX, kGroupC},
    {INT_MIN, INT_MAX, kGroupB},
}};

constexpr std::array<LimitRule, 3> kKorvellPlusLimits{{
    {INT_MIN, 4, kGroupP},
    {5, 6, kGroupQ},
    {INT_MIN, INT_MAX, kGroupR},
}};

std::span<const LimitRule> limitRules(TerminalModel model) {
    if (model == TerminalModel::Korvell)
        return kKorvellLimits;
    return kKorvellPlusLimits;
}

} // namespace

std::span<const Slot> slotCatalogue(TerminalModel model) {
    if (model == TerminalModel::Korvell)
        return kKorvellSlots;
    return kKorvellPlusSlots;
}

QStringList slotLabels(TerminalModel model) {
    QStringList labels;
    for (const Slot& slot : slotCatalogue(model))
        labels << QString::fromUtf8(slot.label);
    return labels;
}

std::optional<QString> slotPath(TerminalModel model, int index, const QString& workspaceRoot) {
    const auto catalogue = slotCatalogue(model);
    if (index < 0 || index >= static_cast<int>(catalogue.size()))
        return std::nullopt;
    return workspaceRoot + QLatin1Char('/') + QString::fromUtf8(catalogue[index].relativePath);
}

std::optional<int> findSlot(TerminalModel model,
                            const std::function<bool(const QString& relativePath)>& matches) {
    const auto catalogue = slotCatalogue(model);
    for (int i = 0; i < static_cast<int>(catalogue.size()); ++i)
        if (matches(QString::fromUtf8(catalogue[i].relativePath)))
            return i;
    return std::nullopt;
}

LimitGroup limitGroup(TerminalModel model, int index) {
    for (const LimitRule& rule : limitRules(model))
        if (index >= rule.lowest && index <= rule.highest)
            return rule.group;
    return limitRules(model).back().group;
}

std::optional<TerminalModel> modelFromName(const QString& name) {
    if (name == QLatin1String("korvell"))
        return TerminalModel::Korvell;
    if (name == QLatin1String("korvell-plus"))
        return TerminalModel::KorvellPlus;
    return std::nullopt;
}

QString modelDisplayName(TerminalModel model) {
    return model == TerminalModel::Korvell ? QStringLiteral("Korvell")
                                           : QStringLiteral("Korvell Plus");
}

TerminalModel otherModel(TerminalModel model) {
    return model == TerminalModel::Korvell ? TerminalModel::KorvellPlus : TerminalModel::Korvell;
}

QString modelFolder(TerminalModel model) {
    return model == TerminalModel::Korvell ? QStringLiteral("Korvell/")
                                           : QStringLiteral("KorvellPlus/");
}

} // namespace palvex::theme
