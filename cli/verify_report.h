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
// problem and per extra file, then the summary line.
void printReport(QTextStream& out, const VerifyReport& report);

// The same as one JSON document.
QJsonDocument reportAsJson(const VerifyReport& report);

} // namespace palvex::cli
