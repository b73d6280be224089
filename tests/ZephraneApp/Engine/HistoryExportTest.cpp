// The history file the export flow copies, and the workload the running
// applications add to the fans' floor.
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineHarness.hpp"

namespace zephrane::enginetest {
namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

TEST(HistoryExport, WritesTheHistoryIntoTheTemporaryDirectoryNamedByTheSecond) {
    QTemporaryDir dir;
    EngineHarness h;
    h.services->historyDirectory = dir.path();
    auto& engine = h.make();
    h.clock->wall = std::chrono::system_clock::time_point(std::chrono::milliseconds(1'700'000'123'900));

    // An empty history still makes a file: the header alone.
    const auto empty = awaitResult(engine.exportHistoryCSV());
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, dir.filePath("Brumalune-History-1700000123.csv"));
    EXPECT_EQ(contents(*empty), QByteArray::fromStdString(TelemetryStore::csv({})));

    h.poller().results = {pollOf({fan(0, 2400, 1200, 5000)}, {temperatureSensor("TC0P", "CPU", 61.25)})};
    auto ticking = engine.tickOnce();
    ASSERT_TRUE(ticking.isReady());
    const auto second = awaitResult(engine.exportHistoryCSV());
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, *empty) << "the same second, the same file";
    const auto history = engine.telemetry().history();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(contents(*second), QByteArray::fromStdString(TelemetryStore::csv(history)));
    EXPECT_FALSE(engine.lastError());
}

TEST(HistoryExport, AFailedWriteReturnsNothingAndSaysWhyUntilSomethingElseReplacesIt) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("not-a-directory"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EngineHarness h;
    h.services->historyDirectory = blocker.fileName();
    auto& engine = h.make();
    engine.applyHelperState(HelperState::connected(), engine.bumpHelperStateGeneration());

    EXPECT_FALSE(awaitResult(engine.exportHistoryCSV()));
    ASSERT_TRUE(engine.lastError());
    EXPECT_TRUE(engine.lastError()->starts_with("CSV export failed: ")) << *engine.lastError();
    EXPECT_GT(engine.lastError()->size(), std::string("CSV export failed: ").size());

    // A clean pass of writes clears only the write path's own failures.
    const auto message = engine.lastError();
    engine.setManualFanTargets({{0, 2000}});
    h.poller().results = {pollOf({fan(0, 1500)})};
    auto ticking = engine.tickOnce();
    ASSERT_TRUE(ticking.isReady());
    ASSERT_EQ(h.driver->writes.size(), 1u);
    EXPECT_EQ(engine.lastError(), message);
}

TEST(Workload, TheObserversPolicyRaisesTheFloorUntilTheObserverStops) {
    EngineHarness h;
    auto& engine = h.make();
    WorkloadPolicy blender;
    blender.appLaunched("org.blenderfoundation.blender");
    h.services->firstResults = {pollOf({})};
    engine.start();
    WorkloadRecord& observer = *h.services->workloadObservers.at(0);
    EXPECT_EQ(engine.workload(), WorkloadPolicy()) << "seeded empty, reported once at start";

    observer.report(blender);
    EXPECT_EQ(engine.workload(), blender);
    EXPECT_DOUBLE_EQ(engine.currentProactiveFloor(), 0.55);
    observer.report(blender);
    EXPECT_EQ(engine.workload(), blender) << "the same policy again changes nothing";

    auto stopping = engine.stop();
    ASSERT_TRUE(stopping.isReady());
    EXPECT_EQ(observer.stops, 1);
    observer.report(WorkloadPolicy());
    EXPECT_EQ(engine.workload(), blender) << "nothing arrives once stopped";
}

}  // namespace
}  // namespace zephrane::enginetest
