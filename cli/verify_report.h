#pragma once

#include "pictures/theme_verification.h"

#include <QJsonDocument>
#include <QStringList>
#include <QTextStream>
#include <optional>

namespace palvex::cli {

// A verification as verify prints it.
struct VerifyReport {
    pictures::ThemeFindings findings;
    std::optional<QStringList> archiveProblems; // set when an archive was checked

    bool passed() const {
        return findings.allSlotsOk() && (!archiveProblems || archiveProblems->isEmpty());
    }
};

// One line per slot (index, label, path, status, details, tab-separated), one per archive
// problem and per extra file, then the summary line. With problemsOnly, the slots that are not
// ok and the archive's problems only, then the summary.
void printReport(QTextStream& out, const VerifyReport& report, bool problemsOnly = false);

// "korvell: 29 of 30 slots ok, archive ok, 0 extra files".
QString summary(const VerifyReport& report);

// The same as one JSON document.
QJsonDocument reportAsJson(const VerifyReport& report);

} // namespace palvex::cli
