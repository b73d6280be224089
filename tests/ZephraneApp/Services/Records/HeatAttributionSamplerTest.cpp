#include "ZephraneApp/Services/Records/HeatAttributionSampler.hpp"

#include <numeric>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/proc/FakeProcessTable.hpp"
#include "tests/ZephraneApp/Concurrency/AwaitTask.hpp"

namespace zephrane {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const QDate kToday(2025, 3, 7);

QDateTime at(QDate day, int hour, int minute = 0, int second = 0) { return QDateTime(day, QTime(hour, minute, second)); }

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

nlohmann::json totalsIn(const QString& path) {
    const QByteArray data = readAll(path);
    return nlohmann::json::parse(data.cbegin(), data.cend(), nullptr, false).value("totals", nlohmann::json());
}

class HeatAttributionSamplerTest : public ::testing::Test {
protected:
    QString folder() const { return tmp_.filePath("Zephrane"); }
    QString dayFile(QDate day) const { return QDir(folder()).filePath(HeatDayFiles::fileName(day)); }
    HeatAttributionSampler::Core make(const QDateTime& now) { return HeatAttributionSampler::Core(folder(), now, table_); }

    QTemporaryDir tmp_;
    proc::FakeProcessTable table_;
};

TEST_F(HeatAttributionSamplerTest, CountsOnlyCounterIncreasesSinceTheFirstSight) {
    auto sampler = make(at(kToday, 12));
    table_.setRunning(10, "/usr/bin/Editor", 5.0, 1.0);
    const auto first = sampler.sample(at(kToday, 12));
    EXPECT_THAT(first.live, IsEmpty());
    EXPECT_THAT(first.today, IsEmpty());

    table_.setTimes(10, 6.5, 1.5);
    const auto second = sampler.sample(at(kToday, 12, 0, 8));
    EXPECT_THAT(second.live, ElementsAre(HeatSource{"Editor", 1.0, 2.0, 10}));
    EXPECT_THAT(second.today, ElementsAre(HeatSource{"Editor", 1.0, 2.0, 10}));

    // The pid is reused by a process whose user time restarted lower: only
    // the system time that grew counts, and the name cached for the pid stays.
    table_.setRunning(10, "/usr/bin/Other", 0.5, 2.0);
    const auto third = sampler.sample(at(kToday, 12, 0, 16));
    EXPECT_THAT(third.live, ElementsAre(HeatSource{"Editor", 1.0, 0.5, 10}));
    EXPECT_DOUBLE_EQ(third.today.at(0).cpuSeconds, 2.5);
    EXPECT_EQ(table_.nameLookups(10), 1);
}

TEST_F(HeatAttributionSamplerTest, NameCacheDropsPidsThatLeftTheListing) {
    auto sampler = make(at(kToday, 12));
    table_.setRunning(10, "/usr/bin/Editor", 1.0);
    sampler.sample(at(kToday, 12));
    table_.setTimes(10, 2.0);
    sampler.sample(at(kToday, 12, 0, 8));
    table_.remove(10);
    sampler.sample(at(kToday, 12, 0, 16));
    table_.setRunning(10, "/usr/bin/Other", 1.0);
    sampler.sample(at(kToday, 12, 0, 24));
    table_.setTimes(10, 3.0);
    EXPECT_THAT(sampler.sample(at(kToday, 12, 0, 32)).live, ElementsAre(HeatSource{"Other", 1.0, 2.0, 10}));
}

TEST_F(HeatAttributionSamplerTest, ProcessesWithoutUsageOrNameAreLeftOut) {
    auto sampler = make(at(kToday, 12));
    table_.set(1, {std::nullopt, std::string("/bin/a"), std::nullopt});              // usage unreadable
    table_.set(2, {proc::CPUTimes{}, std::nullopt, std::nullopt});                    // no name at all
    table_.set(3, {proc::CPUTimes{}, std::string("/"), std::string("kworker/0:1")});  // path ends in "/": short name
    table_.set(0, {proc::CPUTimes{}, std::string("/bin/zero"), std::nullopt});        // pid below 1
    sampler.sample(at(kToday, 12));
    for (proc::Pid pid : {0, 2, 3}) table_.setTimes(pid, 1.0);
    EXPECT_THAT(sampler.sample(at(kToday, 12, 0, 8)).live, ElementsAre(HeatSource{"kworker/0:1", 1.0, 1.0, 3}));
}

TEST(HeatAttributionFoldingTest, RemovesTheFirstMatchingSuffixOnce) {
    struct Case {
        const char* edge;
        std::string name;
        std::string folded;
    };
    const Case cases[] = {
        {"GPU helper", "Editor Helper (GPU)", "Editor"},
        {"plain helper", "Editor Helper", "Editor"},
        {"renderer helper", "Editor Helper (Renderer)", "Editor"},
        {"plugin helper", "Editor Helper (Plugin)", "Editor"},
        {"web content", "Browser Web Content", "Browser"},
        {"networking", "Browser Networking", "Browser"},
        {"only the last suffix", "Editor Helper (Renderer) Helper", "Editor Helper (Renderer)"},
        {"suffix without space", "EditorHelper", "EditorHelper"},
        {"no suffix", "cc1plus", "cc1plus"},
        {"the suffix alone", " Helper", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(HeatAttributionSampler::foldedName(c.name), c.folded);
    }
}

TEST_F(HeatAttributionSamplerTest, FoldedProcessesShareOneEntryWithTheFirstPid) {
    auto sampler = make(at(kToday, 12));
    table_.setRunning(30, "/opt/Editor Helper (GPU)", 0);
    table_.setRunning(20, "/opt/Editor", 0);
    table_.setRunning(40, "/opt/Editor Helper", 0);
    table_.setRunning(50, "/usr/bin/make", 0);
    sampler.sample(at(kToday, 12));
    table_.setTimes(30, 1.0);
    table_.setTimes(20, 1.0);
    table_.setTimes(40, 1.0);
    table_.setTimes(50, 1.0);
    EXPECT_THAT(sampler.sample(at(kToday, 12, 0, 8)).live,
                ElementsAre(HeatSource{"Editor", 0.75, 3.0, 30}, HeatSource{"make", 0.25, 1.0, 50}));
}

TEST_F(HeatAttributionSamplerTest, RankingsKeepTheTopEightOfTheWholeTotal) {
    auto sampler = make(at(kToday, 12));
    for (int i = 1; i <= 12; ++i) table_.setRunning(i, "/bin/app" + std::to_string(i), 0);
    sampler.sample(at(kToday, 12));
    for (int i = 1; i <= 12; ++i) table_.setTimes(i, i);
    const auto rankings = sampler.sample(at(kToday, 12, 0, 8));
    for (const auto* ranking : {&rankings.live, &rankings.today}) {
        ASSERT_EQ(ranking->size(), 8u);
        EXPECT_EQ(ranking->front(), (HeatSource{"app12", 12.0 / 78.0, 12.0, 12}));
        EXPECT_EQ(ranking->back().name, "app5");
        EXPECT_TRUE(std::is_sorted(ranking->begin(), ranking->end(),
                                   [](const auto& a, const auto& b) { return a.cpuSeconds > b.cpuSeconds; }));
        const double shares =
            std::accumulate(ranking->begin(), ranking->end(), 0.0, [](double s, const auto& h) { return s + h.cpuShare; });
        EXPECT_NEAR(shares, 68.0 / 78.0, 1e-12);
    }
}

TEST(HeatAttributionRankTest, IgnoresNonPositiveSecondsAndKeepsFirstSeenOrderAmongEquals) {
    EXPECT_THAT(HeatAttributionSampler::rankAndShare({{"a", 0.0}, {"b", -1.0}}), IsEmpty());
    EXPECT_THAT(HeatAttributionSampler::rankAndShare({{"b", 1.0}, {"a", 1.0}, {"z", 0.0}, {"b", 1.0}, {"c", 2.0}}),
                ElementsAre(HeatSource{"b", 0.4, 2.0, 0}, HeatSource{"c", 0.4, 2.0, 0}, HeatSource{"a", 0.2, 1.0, 0}));
}

TEST_F(HeatAttributionSamplerTest, WritesTheDayFileAtMostOncePerMinuteInAPrivateFolder) {
    auto sampler = make(at(kToday, 12));
    table_.setRunning(1, "/bin/app", 0);
    sampler.sample(at(kToday, 12));
    EXPECT_FALSE(QFileInfo::exists(folder())) << "nothing to write yet";

    table_.setTimes(1, 1.0);
    sampler.sample(at(kToday, 12, 0, 8));
    EXPECT_EQ(totalsIn(dayFile(kToday)), (nlohmann::json{{"app", 1.0}}));
    EXPECT_EQ(QFileInfo(folder()).permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                              QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);

    table_.setTimes(1, 3.0);
    sampler.sample(at(kToday, 12, 1, 7));
    EXPECT_EQ(totalsIn(dayFile(kToday)), (nlohmann::json{{"app", 1.0}})) << "59 s after the last write";
    table_.setTimes(1, 4.0);
    sampler.sample(at(kToday, 12, 1, 8));
    EXPECT_EQ(totalsIn(dayFile(kToday)), (nlohmann::json{{"app", 4.0}}));
}

TEST_F(HeatAttributionSamplerTest, ReleasingTheSamplerWritesUnsavedTotals) {
    table_.setRunning(1, "/bin/app", 0);
    {
        auto sampler = make(at(kToday, 12));
        sampler.sample(at(kToday, 12));
        table_.setTimes(1, 1.0);
        sampler.sample(at(kToday, 12, 0, 8));
        table_.setTimes(1, 1.5);
        sampler.sample(at(kToday, 12, 0, 16));  // inside the minute: not written yet
        EXPECT_EQ(totalsIn(dayFile(kToday)), (nlohmann::json{{"app", 1.0}}));
    }
    EXPECT_EQ(totalsIn(dayFile(kToday)), (nlohmann::json{{"app", 1.5}}));

    table_.clear();
    auto restarted = make(at(kToday, 13));
    EXPECT_THAT(restarted.sample(at(kToday, 13)).today, ElementsAre(HeatSource{"app", 1.0, 1.5, 0}))
        << "an empty listing still ranks the day's totals";
}

TEST_F(HeatAttributionSamplerTest, MidnightWritesYesterdayThenStartsFromTodaysFile) {
    const QDate tomorrow = kToday.addDays(1);
    ASSERT_TRUE(QDir().mkpath(folder()));
    writeFile(dayFile(tomorrow), R"({"totals":{"backup":4}})");

    auto sampler = make(at(kToday, 23, 59, 0));
    table_.setRunning(1, "/bin/app", 0);
    sampler.sample(at(kToday, 23, 59, 0));
    table_.setTimes(1, 1.0);
    sampler.sample(at(kToday, 23, 59, 10));
    table_.setTimes(1, 2.0);
    sampler.sample(at(kToday, 23, 59, 20));  // dirty, not written (inside the minute)

    table_.setTimes(1, 5.0);
    const auto rankings = sampler.sample(at(tomorrow, 0, 0, 1));
    EXPECT_EQ(totalsIn(dayFile(kToday)), (nlohmann::json{{"app", 2.0}}));
    EXPECT_THAT(rankings.today, ElementsAre(HeatSource{"backup", 4.0 / 7.0, 4.0, 0}, HeatSource{"app", 3.0 / 7.0, 3.0, 1}));
    EXPECT_EQ(totalsIn(dayFile(tomorrow)), (nlohmann::json{{"app", 3.0}, {"backup", 4.0}}));
}

TEST_F(HeatAttributionSamplerTest, PruningDeletesOnlyDayFilesOlderThanAWeek) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    struct Case {
        QString name;
        bool remains;
    };
    const Case cases[] = {
        {HeatDayFiles::fileName(kToday.addDays(-7)), false},                     // 7 days before, after midnight
        {HeatDayFiles::fileName(kToday.addDays(-30)), false},                    //
        {HeatDayFiles::fileName(kToday.addDays(-8)) + ".unreadable", false},     // a set-aside file ages out too
        {HeatDayFiles::fileName(kToday.addDays(-6)), true},                      // 6 days before
        {"heat-notadate.json", true},                                            // not a date
        {"heat-" + kToday.addDays(-10).toString("yyyy-MM-dd") + ".txt", true},   // other extension
        {"other-" + kToday.addDays(-10).toString("yyyy-MM-dd") + ".json", true}, // other prefix
    };
    for (const auto& c : cases) writeFile(QDir(folder()).filePath(c.name), "{}");

    auto sampler = make(at(kToday, 0, 0, 1));
    for (const auto& c : cases) EXPECT_EQ(QFileInfo::exists(QDir(folder()).filePath(c.name)), c.remains) << c.name.toStdString();
}

TEST_F(HeatAttributionSamplerTest, SymlinkedFolderIsNeverWrittenOrPruned) {
    QTemporaryDir elsewhere;
    const QString old = QDir(elsewhere.path()).filePath(HeatDayFiles::fileName(kToday.addDays(-20)));
    writeFile(old, "{}");
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder()));

    table_.setRunning(1, "/bin/app", 0);
    {
        auto sampler = make(at(kToday, 12));
        sampler.sample(at(kToday, 12));
        table_.setTimes(1, 1.0);
        EXPECT_THAT(sampler.sample(at(kToday, 12, 0, 8)).live, ElementsAre(HeatSource{"app", 1.0, 1.0, 1}));
    }
    EXPECT_TRUE(QFileInfo::exists(old));
    EXPECT_FALSE(QFileInfo::exists(QDir(elsewhere.path()).filePath(HeatDayFiles::fileName(kToday))));
}

TEST_F(HeatAttributionSamplerTest, UnusableDayFileIsSetAsideNotOverwritten) {
    const QByteArray bodies[] = {
        "not json",
        R"({"totals":{"app":"many"}})",  // foreign value
        R"({"counts":{"app":1}})",      // no totals
        R"([1,2,3])",
        "",
    };
    for (const QByteArray& body : bodies) {
        SCOPED_TRACE(body.toStdString());
        QDir(folder()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(folder()));
        writeFile(dayFile(kToday), body);

        table_.clear();
        table_.setRunning(1, "/bin/app", 0);
        auto sampler = make(at(kToday, 12));
        sampler.sample(at(kToday, 12));
        table_.setTimes(1, 1.0);
        EXPECT_THAT(sampler.sample(at(kToday, 12, 0, 8)).today, ElementsAre(HeatSource{"app", 1.0, 1.0, 1}));
        EXPECT_EQ(readAll(dayFile(kToday) + ".unreadable"), body);
        EXPECT_EQ(totalsIn(dayFile(kToday)), (nlohmann::json{{"app", 1.0}}));
    }
}

TEST_F(HeatAttributionSamplerTest, UnusableDayFileThatCannotBeSetAsideIsLeftAlone) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    writeFile(dayFile(kToday) + ".unreadable", "earlier");
    writeFile(dayFile(kToday), "garbage");

    table_.setRunning(1, "/bin/app", 0);
    {
        auto sampler = make(at(kToday, 12));
        sampler.sample(at(kToday, 12));
        table_.setTimes(1, 1.0);
        EXPECT_THAT(sampler.sample(at(kToday, 12, 0, 8)).today, ElementsAre(HeatSource{"app", 1.0, 1.0, 1}));
    }
    EXPECT_EQ(readAll(dayFile(kToday)), "garbage");
    EXPECT_EQ(readAll(dayFile(kToday) + ".unreadable"), "earlier");
}

TEST_F(HeatAttributionSamplerTest, NamesThatAreNotUtf8StillGetWritten) {
    auto sampler = make(at(kToday, 12));
    table_.set(1, {proc::CPUTimes{}, std::nullopt, std::string("bad\xff", 4)});
    table_.setRunning(2, "/bin/app", 0);
    sampler.sample(at(kToday, 12));
    table_.setTimes(1, 1.0);
    table_.setTimes(2, 2.0);
    sampler.sample(at(kToday, 12, 0, 8));
    EXPECT_EQ(totalsIn(dayFile(kToday)), (nlohmann::json{{"app", 2.0}, {"bad\xEF\xBF\xBD", 1.0}}));
}

TEST(HeatAttributionDirectoryTest, DefaultFolderIsZephraneInTheDataFolder) {
    QTemporaryDir data;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    EXPECT_EQ(HeatAttributionSampler::defaultDirectory(), data.path() + "/Zephrane");
    EXPECT_FALSE(QFileInfo::exists(data.path() + "/Zephrane"));
    if (saved.isNull()) qunsetenv("XDG_DATA_HOME"); else qputenv("XDG_DATA_HOME", saved);
}

// The engine's face: the core is made, run and ended on the sampler's own
// thread, and what it had not written yet is written when the face goes.
TEST_F(HeatAttributionSamplerTest, TheFaceKeepsTheCoreOnItsThreadAndWritesOnTheWayOut) {
    table_.setRunning(1, "/bin/app", 0);
    {
        HeatAttributionSampler sampler(folder(), at(kToday, 12), table_);
        testfakes::awaitResult(sampler.sample(at(kToday, 12)));
        table_.setTimes(1, 1.0);
        testfakes::awaitResult(sampler.sample(at(kToday, 12, 0, 8)));
        table_.setTimes(1, 1.5);
        const auto rankings = testfakes::awaitResult(sampler.sample(at(kToday, 12, 0, 16)));
        EXPECT_THAT(rankings.live, ElementsAre(HeatSource{"app", 1.0, 0.5, 1}));
        EXPECT_EQ(totalsIn(dayFile(kToday)), (nlohmann::json{{"app", 1.0}}));
        EXPECT_NE(sampler.thread(), QThread::currentThread());
    }
    EXPECT_EQ(totalsIn(dayFile(kToday)), (nlohmann::json{{"app", 1.5}}));
}

}  // namespace
}  // namespace zephrane
