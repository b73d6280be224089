// The daily heat files: one "heat-yyyy-MM-dd.json" per local calendar day,
// holding {"totals": {name: CPU seconds}}, in a private folder (mode 0700)
// that is pruned of days more than a week old.
//
// The folder is never written into or pruned when it is a symbolic link, so
// a link planted in its place cannot redirect our writes or deletions.
//
// A day file that exists but does not read as that shape (corrupt, written
// by something else, unreadable) is not written over: it is first renamed
// to "<name>.unreadable" so it can still be looked at, and the day starts
// from zero. When it cannot be set aside (say an earlier one of that day is
// already there) the day is not written at all; the totals still count in
// memory. Set-aside files are pruned by the same date rule.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include <QDate>
#include <QDateTime>
#include <QString>

namespace zephrane {

class HeatDayFiles {
public:
    using Totals = std::map<std::string, double>;  // name -> CPU seconds

    explicit HeatDayFiles(QString directory);

    const QString& directory() const { return directory_; }

    // "heat-" + the day as yyyy-MM-dd + ".json".
    static QString fileName(QDate day);
    // Holds unless the folder exists as a symbolic link or as something
    // other than a folder. A folder that does not exist yet is usable.
    bool directoryIsUsable() const;

    // The day's totals; empty when the file is missing or unusable (an
    // unusable one is set aside, see above).
    Totals load(QDate day);
    // Creates the folder when needed and replaces the day's file atomically.
    // False when nothing was written.
    bool write(QDate day, const Totals& totals);
    // Deletes day files, and set-aside ones, named for a day whose local
    // midnight is more than 7 days before `now`. Failures are left for the
    // next pruning.
    void prune(const QDateTime& now);

private:
    bool createDirectory() const;

    QString directory_;
    std::set<QDate> blockedDays_;  // days whose unreadable file could not be set aside
};

}  // namespace zephrane
