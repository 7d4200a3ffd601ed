#include "pictures/theme_comparison.h"

#include "pictures/picture_file.h"
#include "pictures/picture_similarity.h"
#include "platform/exception.h"

#include <QFile>
#include <QSet>
#include <filesystem>

namespace palvex::pictures {

using namespace theme;

namespace {

// Read side by side in chunks: a slot file over its limits may be of any size. Links are
// compared as links and never followed; a FIFO is never opened.
bool sameBytes(const QString& pathA, const QString& pathB) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status kindA = fs::symlink_status(pathA.toStdString(), error);
    const fs::file_status kindB = fs::symlink_status(pathB.toStdString(), error);
    if (kindA.type() != kindB.type())
        return false;
    if (fs::is_symlink(kindA))
        return fs::read_symlink(pathA.toStdString(), error) ==
               fs::read_symlink(pathB.toStdString(), error);
    if (!fs::is_regular_file(kindA))
        return true;
    QFile a(pathA), b(pathB);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    for (;;) {
        const QByteArray chunkA = a.read(64 * 1024), chunkB = b.read(64 * 1024);
        if (chunkA != chunkB)
            return false;
        if (chunkA.isEmpty())
            return true;
    }
}

Difference differenceOf(bool inA, bool inB, const QString& pathA, const QString& pathB) {
    if (inA != inB)
        return inA ? Difference::OnlyInA : Difference::OnlyInB;
    return !inA || sameBytes(pathA, pathB) ? Difference::Same : Difference::Changed;
}

// Slot pictures that pass their limits are small, so both are decoded whole.
std::optional<double> similarityOf(const QString& pathA, const QString& pathB) {
    try {
        const QImage a = loadPicture(pathA);
        QImage b = loadPicture(pathB);
        if (b.size() != a.size())
            b = b.scaled(a.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return similarity(a, b);
    } catch (const Exception&) {
        return std::nullopt;
    }
}

SlotComparison compareSlot(TerminalModel model, int index, const QString& rootA,
                           const QString& rootB, QSize thumbnailBox) {
    const ThemeVerification sideA(model, rootA), sideB(model, rootB);
    SlotComparison slot{sideA.verifySlot(index), sideB.verifySlot(index), Difference::Same, {}};
    const QString pathA = *slotPath(model, index, rootA), pathB = *slotPath(model, index, rootB);
    slot.difference = differenceOf(slot.a.status != SlotStatus::Missing,
                                   slot.b.status != SlotStatus::Missing, pathA, pathB);
    if (slot.difference == Difference::Same)
        return slot;
    if (slot.a.ok() && slot.b.ok())
        slot.similarity = similarityOf(pathA, pathB);
    if (!thumbnailBox.isEmpty()) {
        slot.a = sideA.verifySlot(index, thumbnailBox);
        slot.b = sideB.verifySlot(index, thumbnailBox);
    }
    return slot;
}

} // namespace

QString differenceName(Difference difference) {
    switch (difference) {
    case Difference::Same:
        return QStringLiteral("same");
    case Difference::Changed:
        return QStringLiteral("changed");
    case Difference::OnlyInA:
        return QStringLiteral("only-in-A");
    case Difference::OnlyInB:
        return QStringLiteral("only-in-B");
    }
    return {};
}

qsizetype ThemeComparison::slotsWith(Difference difference) const {
    return std::count_if(bySlot.begin(), bySlot.end(),
                         [&](const SlotComparison& s) { return s.difference == difference; });
}

qsizetype ThemeComparison::extraFilesWith(Difference difference) const {
    return std::count_if(extraFiles.begin(), extraFiles.end(),
                         [&](const ExtraFileComparison& f) { return f.difference == difference; });
}

bool ThemeComparison::same() const {
    return slotsWith(Difference::Same) == bySlot.size() &&
           extraFilesWith(Difference::Same) == extraFiles.size();
}

ThemeComparison compareThemes(TerminalModel model, const QString& rootA, const QString& rootB,
                              QSize thumbnailBox) {
    ThemeComparison comparison;
    comparison.model = model;
    for (int i = 0; i < static_cast<int>(slotCatalogue(model).size()); ++i)
        comparison.bySlot << compareSlot(model, i, rootA, rootB, thumbnailBox);
    const QStringList extraA = extraFiles(model, rootA), extraB = extraFiles(model, rootB);
    QStringList all = extraA + extraB;
    all.sort();
    all.removeDuplicates();
    for (const QString& path : all)
        comparison.extraFiles << ExtraFileComparison{
            path, differenceOf(extraA.contains(path), extraB.contains(path),
                               rootA + QLatin1Char('/') + path, rootB + QLatin1Char('/') + path)};
    return comparison;
}

} // namespace palvex::pictures
