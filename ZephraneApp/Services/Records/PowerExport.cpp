#include "ZephraneApp/Services/Records/PowerExport.hpp"

#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSaveFile>
#include <QScopeGuard>
#include <QCoroSignal>

namespace zephrane {

namespace {

constexpr qint64 kCopyChunk = 64 * 1024;
constexpr int kWorkerNiceness = 10;

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

// Tells the awaiting coroutine, on its own thread, that the worker is done.
class Wakeup : public QObject {
    Q_OBJECT
signals:
    void ready();
};

struct Handoff {
    std::mutex mutex;
    std::optional<FileWriteResult> result;
    Wakeup* wakeup = nullptr;  // null once the awaiting side is gone
};

// File work must not block the GUI thread: run it on a thread of its own
// and resume the caller on its thread. The result crosses under a plain
// mutex rather than through Qt's event queue, so the hand-over is visible to
// the thread sanitizer too; the queued signal only wakes the caller.
template <typename Job>
QCoro::Task<FileWriteResult> runOffThread(Job job, QString path) {
    Wakeup wakeup;
    auto handoff = std::make_shared<Handoff>();
    handoff->wakeup = &wakeup;
    // Should the caller's task be destroyed while suspended, the worker must
    // not post to a dead object: unhook first, under the same lock.
    const auto unhook = qScopeGuard([&] {
        std::lock_guard lock(handoff->mutex);
        handoff->wakeup = nullptr;
    });
    auto ready = qCoro(&wakeup, &Wakeup::ready);

    try {
        std::thread([handoff, job = std::move(job), path]() mutable {
            // Background work: yield to anything interactive (a utility-class
            // thread); failing to lower it changes nothing else.
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNiceness);
            std::optional<FileWriteResult> result;
            // Nothing may escape the worker thread: a failure becomes the result.
            try {
                result = job();
            } catch (const std::exception& e) {
                result = FileWriteResult::failed(path, writeFailure(path, QString::fromUtf8(e.what())));
            } catch (...) {
                result = FileWriteResult::failed(path, writeFailure(path, QStringLiteral("unknown error")));
            }
            std::lock_guard lock(handoff->mutex);
            handoff->result = std::move(result);
            if (handoff->wakeup) QMetaObject::invokeMethod(handoff->wakeup, "ready", Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error& e) {  // no thread to be had
        co_return FileWriteResult::failed(path, writeFailure(path, QString::fromUtf8(e.what())));
    }

    co_await ready;
    std::lock_guard lock(handoff->mutex);
    FileWriteResult result = std::move(*handoff->result);
    co_return result;
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

QCoro::Task<FileWriteResult> writeHistoryCSV(std::vector<TelemetryStore::HistorySample> history, QString directory,
                                             std::chrono::system_clock::time_point now) {
    QString path = QDir(directory).filePath(historyFileName(now));
    QByteArray bytes = QByteArray::fromStdString(TelemetryStore::csv(history));
    // Named, not a temporary inside co_await: g++ 12 destroys temporaries of
    // a suspended full-expression twice.
    QCoro::Task<FileWriteResult> writing =
        runOffThread([path, bytes] { return writeFileAtomically(path, bytes); }, path);
    FileWriteResult result = co_await writing;
    co_return result;
}

QCoro::Task<PowerExportOutcome> exportPowerHistory(HistoryCSVSource& source, SavePanel& panel) {
    const std::optional<QString> file = co_await source.exportHistoryCSV();
    if (!file) co_return PowerExportOutcome{PowerExportOutcome::Kind::noHistoryFile, {}, {}};

    SavePanelRequest request{QString::fromUtf8(kExportPanelTitle), QFileInfo(*file).fileName(),
                             {QStringLiteral("Comma-separated values (*.csv)")}, true};
    const std::optional<QString> target = co_await panel.chooseSavePath(std::move(request));
    if (!target || target->isEmpty()) co_return PowerExportOutcome{PowerExportOutcome::Kind::cancelled, {}, {}};

    QCoro::Task<FileWriteResult> copying =
        runOffThread([from = *file, to = *target] { return copyFileAtomically(from, to); }, *target);
    const FileWriteResult copy = co_await copying;
    if (!copy.succeeded) co_return PowerExportOutcome{PowerExportOutcome::Kind::failed, *target, copy.error};
    co_return PowerExportOutcome{PowerExportOutcome::Kind::saved, *target, {}};
}

}  // namespace zephrane

#include "PowerExport.moc"
