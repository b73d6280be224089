#include "ZephraneApp/Services/Records/PowerExport.hpp"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QCoroTask>
#include <QCoroTimer>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using Kind = PowerExportOutcome::Kind;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray{};
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Stands in for the engine: hands over a history file it already wrote, or
// nothing when its own write failed.
class FakeHistorySource : public HistoryCSVSource {
public:
    std::optional<QString> file;
    int calls = 0;

    QCoro::Task<std::optional<QString>> exportHistoryCSV() override {
        ++calls;
        std::optional<QString> handedOver = file;  // QCoro 0.8 moves from an lvalue given to co_return
        co_return handedOver;
    }
};

// Answers like a real dialog: later, from the event loop.
class FakeSavePanel : public SavePanel {
public:
    std::optional<QString> answer;  // nothing: cancelled; an empty path: confirmed without a destination
    std::vector<SavePanelRequest> requests;

    QCoro::Task<std::optional<QString>> chooseSavePath(SavePanelRequest request) override {
        requests.push_back(std::move(request));
        co_await QCoro::sleepFor(1ms);
        std::optional<QString> chosen = answer;  // QCoro 0.8 moves from an lvalue given to co_return
        co_return chosen;
    }
};

class PowerExportTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Actor worker{QStringLiteral("export"), Actor::Priority::background};
    QString path(const QString& name) const { return dir.filePath(name); }

    // The engine's file, already written.
    QString historyFile() {
        const QString file = path(QStringLiteral("Brumalune-History-1741944413.csv"));
        writeAll(file, kHistory);
        return file;
    }

    PowerExportOutcome runExport(FakeHistorySource& source, FakeSavePanel& panel) {
        return QCoro::waitFor(exportPowerHistory(source, panel, worker));
    }

    static inline const QByteArray kHistory = "timestamp,maxTempC,fanRPM,systemWatts,fanWatts\n"
                                              "2025-03-14T09:26:53Z,71.23,2451,12.35,0.50\n";
    static inline const QByteArray kUsersFile = "the user's own data\n";
};

TEST_F(PowerExportTest, WritesTheHistoryFileUnderItsSecondInTheGivenDirectory) {
    const auto now = std::chrono::system_clock::time_point{} + 1741944413s + 900ms;
    const QString expectedPath = path(QStringLiteral("Brumalune-History-1741944413.csv"));
    writeAll(expectedPath, "an older export in the same second, longer than the new one ......................................................");

    const std::vector<TelemetryStore::HistorySample> history{
        {std::chrono::system_clock::time_point{} + 1741944413s, 71.234, 2450.6, 12.3456, 0.5}};
    const FileWriteResult result = QCoro::waitFor(writeHistoryCSV(worker, history, dir.path(), now));

    EXPECT_EQ(result, FileWriteResult::ok(expectedPath));
    EXPECT_EQ(readAll(expectedPath), kHistory);
}

TEST_F(PowerExportTest, AFailedHistoryWriteSaysWhy) {
    const QString missingDirectory = path(QStringLiteral("gone"));
    const FileWriteResult result =
        QCoro::waitFor(writeHistoryCSV(worker, {}, missingDirectory, std::chrono::system_clock::time_point{} + 7s));

    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.path, missingDirectory + QStringLiteral("/Brumalune-History-7.csv"));
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("Could not write \"") + result.path + QStringLiteral("\": ")))
        << result.error.toStdString();
    EXPECT_GT(result.error.size(), result.path.size() + 20) << "the system's reason follows";
    EXPECT_EQ(csvExportFailedText(QStringLiteral("disk full")), QStringLiteral("CSV export failed: disk full"));
}

// The app is quitting: a worker that has stopped fails the write with a
// reason instead of leaving the caller waiting, and touches no file.
TEST_F(PowerExportTest, AStoppedWorkerFailsTheWriteInsteadOfHanging) {
    worker.stop();
    const FileWriteResult result =
        QCoro::waitFor(writeHistoryCSV(worker, {}, dir.path(), std::chrono::system_clock::time_point{} + 7s));
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.error, QStringLiteral("Could not write \"") + result.path +
                                QStringLiteral("\": actor stopped before the call ran"));
    EXPECT_FALSE(QFileInfo::exists(result.path));

    FakeHistorySource source;
    source.file = historyFile();
    FakeSavePanel panel;
    panel.answer = path(QStringLiteral("copy.csv"));
    const PowerExportOutcome outcome = runExport(source, panel);
    EXPECT_EQ(outcome.kind, Kind::failed);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("copy.csv"))));
}

TEST_F(PowerExportTest, AsksThePanelWithTheHistoryFileName) {
    FakeHistorySource source;
    source.file = historyFile();
    FakeSavePanel panel;
    runExport(source, panel);

    ASSERT_EQ(panel.requests.size(), 1u);
    const SavePanelRequest& request = panel.requests.front();
    EXPECT_EQ(request.title, QStringLiteral("Export Power History"));
    EXPECT_EQ(request.suggestedName, QStringLiteral("Brumalune-History-1741944413.csv"));
    EXPECT_EQ(request.nameFilters, QStringList{QStringLiteral("Comma-separated values (*.csv)")});
    EXPECT_TRUE(request.canCreateDirectories);
}

TEST_F(PowerExportTest, NoHistoryFileMeansNoPanel) {
    FakeHistorySource source;  // the engine's write failed
    FakeSavePanel panel;
    panel.answer = path(QStringLiteral("out.csv"));

    EXPECT_EQ(runExport(source, panel).kind, Kind::noHistoryFile);
    EXPECT_EQ(source.calls, 1);
    EXPECT_TRUE(panel.requests.empty());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("out.csv"))));
}

// Each row: what the panel answers, what is at the destination beforehand,
// and what the user finds there afterwards. The history file always stays.
TEST_F(PowerExportTest, PanelAnswers) {
    enum class Answer { confirm, cancel, confirmWithoutDestination };
    struct Case {
        const char* name;
        Answer answer;
        std::optional<QByteArray> before;  // the destination's content beforehand; nothing: no file
        Kind kind;
        std::optional<QByteArray> after;
    };
    const Case cases[] = {
        {"confirm onto a new file", Answer::confirm, std::nullopt, Kind::saved, kHistory},
        {"confirm onto an existing file replaces it", Answer::confirm, kUsersFile, Kind::saved, kHistory},
        {"cancel writes nothing", Answer::cancel, kUsersFile, Kind::cancelled, kUsersFile},
        {"cancel creates nothing", Answer::cancel, std::nullopt, Kind::cancelled, std::nullopt},
        {"confirm without a destination writes nothing", Answer::confirmWithoutDestination, kUsersFile,
         Kind::cancelled, kUsersFile},
    };
    const QString destination = path(QStringLiteral("out.csv"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(destination);
        if (c.before) writeAll(destination, *c.before);

        FakeHistorySource source;
        source.file = historyFile();
        FakeSavePanel panel;
        if (c.answer == Answer::confirm) panel.answer = destination;
        if (c.answer == Answer::confirmWithoutDestination) panel.answer = QString{};
        const PowerExportOutcome outcome = runExport(source, panel);

        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
        if (c.after)
            EXPECT_EQ(readAll(destination), *c.after);
        else
            EXPECT_FALSE(QFileInfo::exists(destination));
        EXPECT_EQ(readAll(*source.file), kHistory) << "the history file is left in place";
    }
}

TEST_F(PowerExportTest, AnUnwritableDestinationIsReportedWithItsReason) {
    FakeHistorySource source;
    source.file = historyFile();
    writeAll(path(QStringLiteral("plain-file")), "not a folder");
    FakeSavePanel panel;
    panel.answer = path(QStringLiteral("plain-file/out.csv"));  // fails even for root

    const PowerExportOutcome outcome = runExport(source, panel);

    EXPECT_EQ(outcome.kind, Kind::failed);
    EXPECT_EQ(outcome.path, *panel.answer);
    EXPECT_TRUE(outcome.error.startsWith(QStringLiteral("Could not write \"") + *panel.answer + QStringLiteral("\": ")))
        << outcome.error.toStdString();
    EXPECT_EQ(readAll(*source.file), kHistory);
}

// Removing the user's file first and then failing to copy would lose it.
TEST_F(PowerExportTest, TheUsersFileSurvivesAFailedExport) {
    const QString destination = path(QStringLiteral("keep.csv"));
    writeAll(destination, kUsersFile);
    FakeHistorySource source;
    source.file = path(QStringLiteral("vanished.csv"));  // the temporary file was cleaned away meanwhile
    FakeSavePanel panel;
    panel.answer = destination;

    const PowerExportOutcome outcome = runExport(source, panel);

    EXPECT_EQ(outcome.kind, Kind::failed);
    EXPECT_TRUE(outcome.error.startsWith(QStringLiteral("Could not read \"") + *source.file)) << outcome.error.toStdString();
    EXPECT_EQ(readAll(destination), kUsersFile);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("keep.csv")})
        << "no temporary file is left beside it";
}

// The new file is renamed over the old one: whoever still reads the old file
// keeps reading it whole, and nothing is left half-written beside it.
TEST_F(PowerExportTest, ReplacesTheDestinationAtomically) {
    const QString destination = path(QStringLiteral("out.csv"));
    writeAll(destination, kUsersFile);
    QFile reader(destination);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));

    FakeHistorySource source;
    source.file = historyFile();
    FakeSavePanel panel;
    panel.answer = destination;
    EXPECT_EQ(runExport(source, panel).kind, Kind::saved);

    EXPECT_EQ(reader.readAll(), kUsersFile) << "the old file was rewritten in place";
    EXPECT_EQ(readAll(destination), kHistory);
    QStringList expected{QStringLiteral("Brumalune-History-1741944413.csv"), QStringLiteral("out.csv")};
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
}

TEST_F(PowerExportTest, ChoosingTheHistoryFileItselfKeepsIt) {
    FakeHistorySource source;
    source.file = historyFile();
    FakeSavePanel panel;
    panel.answer = source.file;

    EXPECT_EQ(runExport(source, panel).kind, Kind::saved);
    EXPECT_EQ(readAll(*source.file), kHistory);
}

}  // namespace
}  // namespace zephrane
