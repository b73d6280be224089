// Exporting the power history: the engine writes the CSV text to a file in
// the temporary directory, then the user picks where a copy goes.
//
// Every file here is written beside its destination under a temporary name,
// flushed to disk and renamed over it, so a failed or interrupted export
// never costs the user the file already at that path, and a reader never
// sees half a file. Failures come back to the caller with their text.
//
// The file work runs on a worker the caller owns (an Actor of background
// priority: an export must not compete with the control loop); the caller
// resumes on its own thread. A worker that has stopped fails the write.
#pragma once

#include <chrono>
#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QCoroTask>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "ZephraneApp/Services/Records/SavePanel.hpp"
#include "ZephraneApp/Services/Records/TelemetryStore.hpp"

namespace zephrane {

// Where a write landed, or why it did not.
struct FileWriteResult {
    QString path;   // the destination, either way
    QString error;  // the failure's text; empty on success
    bool succeeded = false;

    static FileWriteResult ok(QString path) { return {std::move(path), {}, true}; }
    static FileWriteResult failed(QString path, QString error) { return {std::move(path), std::move(error), false}; }
    friend bool operator==(const FileWriteResult&, const FileWriteResult&) = default;
};

// Replaces (or creates) `path` with exactly `bytes`. Blocking: keep it off
// the GUI thread.
FileWriteResult writeFileAtomically(const QString& path, const QByteArray& bytes);

// Copies `source` to `target` the same way; a source that cannot be read
// leaves `target` as it was. Blocking.
FileWriteResult copyFileAtomically(const QString& source, const QString& target);

// "Brumalune-History-" + whole seconds since 1970 + ".csv".
QString historyFileName(std::chrono::system_clock::time_point now);

// What the engine's exportHistoryCSV() sets as its last error on failure.
QString csvExportFailedText(const QString& error);

// The engine's half of the export: the history's CSV text, as UTF-8, into
// historyFileName(now) inside `directory`. The write runs on `worker`; the
// caller resumes on its own thread.
QCoro::Task<FileWriteResult> writeHistoryCSV(Actor& worker, std::vector<TelemetryStore::HistorySample> history,
                                             QString directory, std::chrono::system_clock::time_point now);

// What the export flow needs of the engine.
class HistoryCSVSource {
public:
    virtual ~HistoryCSVSource() = default;
    // The written file's path, or nothing when the write failed (the engine
    // has set its last error then).
    virtual QCoro::Task<std::optional<QString>> exportHistoryCSV() = 0;
};

struct PowerExportOutcome {
    enum class Kind {
        noHistoryFile,  // the engine could not write the file; its last error says why
        cancelled,      // the panel was dismissed or gave no destination
        saved,
        failed,         // the copy failed; `error` says why
    };
    Kind kind = Kind::cancelled;
    QString path;   // the chosen destination, when there is one
    QString error;
    friend bool operator==(const PowerExportOutcome&, const PowerExportOutcome&) = default;
};

inline constexpr char kExportPanelTitle[] = "Export Power History";

// The menu command's flow: has the engine write the history file, asks the
// panel where to put a copy, and copies it there on `worker`. The temporary
// file is left in place whatever happens. `source`, `panel` and `worker` must
// outlive the returned task.
QCoro::Task<PowerExportOutcome> exportPowerHistory(HistoryCSVSource& source, SavePanel& panel, Actor& worker);

}  // namespace zephrane
