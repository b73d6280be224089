#include "ZephraneApp/Services/Records/PowerExport.hpp"

#include <exception>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace zephrane {

namespace {

constexpr qint64 kCopyChunk = 64 * 1024;

QString writeFailure(const QString& path, const QString& reason) {
    return QStringLiteral("Could not write \"%1\": %2").arg(path, reason);
}

// QSaveFile writes beside the destination under a temporary name, syncs it
// to disk and renames it over the destination on commit(); until then the
// old file is untouched. It never falls back to writing in place.
FileWriteResult commitOrFail(QSaveFile& file, const QString& path) {
    if (!file.commit()) return FileWriteResult::failed(path, writeFailure(path, file.errorString()));
    return FileWriteResult::ok(path);
}

// File work must not block the GUI thread: it runs on the worker the caller
// owns, and the caller resumes on its own thread. Nothing thrown by the job
// escapes; a worker that has stopped fails the write instead of leaving the
// caller waiting.
template <typename Job>
QCoro::Task<FileWriteResult> runOn(Actor& worker, Job job, QString path) {
    QCoro::Task<FileWriteResult> running = worker.call([job = std::move(job), path] {
        try {
            return job();
        } catch (const std::exception& e) {
            return FileWriteResult::failed(path, writeFailure(path, QString::fromUtf8(e.what())));
        } catch (...) {
            return FileWriteResult::failed(path, writeFailure(path, QStringLiteral("unknown error")));
        }
    });
    try {
        FileWriteResult result = co_await running;
        co_return result;
    } catch (const ActorStopped& stopped) {
        co_return FileWriteResult::failed(path, writeFailure(path, QString::fromUtf8(stopped.what())));
    }
}

}  // namespace

FileWriteResult writeFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return FileWriteResult::failed(path, writeFailure(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) return FileWriteResult::failed(path, writeFailure(path, file.errorString()));
    return commitOrFail(file, path);
}

FileWriteResult copyFileAtomically(const QString& source, const QString& target) {
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        return FileWriteResult::failed(target,
                                       QStringLiteral("Could not read \"%1\": %2").arg(source, input.errorString()));
    QSaveFile output(target);
    if (!output.open(QIODevice::WriteOnly))
        return FileWriteResult::failed(target, writeFailure(target, output.errorString()));
    // An unfinished QSaveFile discards its temporary file when it goes out
    // of scope, so the early returns leave the target as it was.
    for (;;) {
        const QByteArray chunk = input.read(kCopyChunk);
        if (chunk.isEmpty()) {
            if (input.error() != QFileDevice::NoError)
                return FileWriteResult::failed(
                    target, QStringLiteral("Could not read \"%1\": %2").arg(source, input.errorString()));
            break;
        }
        if (output.write(chunk) != chunk.size())
            return FileWriteResult::failed(target, writeFailure(target, output.errorString()));
    }
    return commitOrFail(output, target);
}

QString historyFileName(std::chrono::system_clock::time_point now) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    return QStringLiteral("Brumalune-History-%1.csv").arg(QString::number(seconds));
}

QString csvExportFailedText(const QString& error) { return QStringLiteral("CSV export failed: ") + error; }

QCoro::Task<FileWriteResult> writeHistoryCSV(Actor& worker, std::vector<TelemetryStore::HistorySample> history,
                                             QString directory, std::chrono::system_clock::time_point now) {
    QString path = QDir(directory).filePath(historyFileName(now));
    QByteArray bytes = QByteArray::fromStdString(TelemetryStore::csv(history));
    // Named, not a temporary inside co_await: g++ 12 destroys temporaries of
    // a suspended full-expression twice.
    QCoro::Task<FileWriteResult> writing = runOn(worker, [path, bytes] { return writeFileAtomically(path, bytes); }, path);
    FileWriteResult result = co_await writing;
    co_return result;
}

QCoro::Task<PowerExportOutcome> exportPowerHistory(HistoryCSVSource& source, SavePanel& panel, Actor& worker) {
    const std::optional<QString> file = co_await source.exportHistoryCSV();
    if (!file) co_return PowerExportOutcome{PowerExportOutcome::Kind::noHistoryFile, {}, {}};

    SavePanelRequest request{QString::fromUtf8(kExportPanelTitle), QFileInfo(*file).fileName(),
                             {QStringLiteral("Comma-separated values (*.csv)")}, true};
    const std::optional<QString> target = co_await panel.chooseSavePath(std::move(request));
    if (!target || target->isEmpty()) co_return PowerExportOutcome{PowerExportOutcome::Kind::cancelled, {}, {}};

    QCoro::Task<FileWriteResult> copying =
        runOn(worker, [from = *file, to = *target] { return copyFileAtomically(from, to); }, *target);
    const FileWriteResult copy = co_await copying;
    if (!copy.succeeded) co_return PowerExportOutcome{PowerExportOutcome::Kind::failed, *target, copy.error};
    co_return PowerExportOutcome{PowerExportOutcome::Kind::saved, *target, {}};
}

}  // namespace zephrane

