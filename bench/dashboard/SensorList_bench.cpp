// What the GUI thread pays for the sensor list with every sensor of the
// simulated laptop shown (about 540, the All mode) in a window on the
// software renderer:
//
// - one poll's update: the face's sensor list takes a poll with new values
//   (as the face over the engine does on every poll) and the list's group
//   model, its visible rows and their bindings follow, synchronously; then
//   the next frame (polish, sync, render). No reset, no insert, no removal
//   may happen: the counters say so.
// - scrolling the whole list from top to bottom, 30 pixels a frame (1 800
//   px/s at 60 frames a second): the time of each frame, rows made and
//   reused included (those made as the view moves, and those made as the
//   frame begins).
//
// A frame's time runs from the window's afterAnimating (the start of its
// frame) to frameSwapped, so the render loop's own pacing is not counted.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <QAbstractItemModel>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include <benchmark/benchmark.h>

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Shell/ViewPlugins.hpp"
#include "tests/ZephraneApp/Face/LaptopReadings.hpp"

namespace zephrane {
namespace {

using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

double millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The sensor list in a window over the scripted face, every sensor shown,
// and the frames it draws.
struct ListOnScreen {
    ListOnScreen() : readings(facetest::laptopReadings(4)) {
        design::ThemeTokens::install(&theme);
        face.sensors().allSensors().update(readings[0].allSensors, {});
        auto sensors = face.sensors().state();
        sensors.hasDiscoveredSensors = true;
        face.sensors().publish(sensors);
        auto preferences = face.preferences().state();
        preferences.showAllSensors = true;
        face.preferences().publish(preferences);

        engine.addImportPath(QStringLiteral("qrc:/"));
        face::EngineFace::provide(engine, &face);
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQuick
            import Zephrane.Dashboard
            Window {
                width: 840; height: 800; visible: true
                SensorsView { anchors.fill: parent }
            })",
                          QUrl());
        window.reset(qobject_cast<QQuickWindow*>(component.create()));
        if (!window) {
            error = component.errorString().toStdString();
            return;
        }
        QObject::connect(window.get(), &QQuickWindow::afterAnimating, [this] { frameStart = Clock::now(); });
        QObject::connect(window.get(), &QQuickWindow::frameSwapped, [this] {
            lastFrameMs = millis(Clock::now() - frameStart);
            ++frames;
        });
        waitForFrame();
        list = window->findChild<QQuickItem*>(QStringLiteral("groupedList"));
        if (list == nullptr) error = "no grouped list";
        else if (!list->isVisible()) error = "the grouped list is not shown";
    }
    ~ListOnScreen() {
        window.reset();
        face::EngineFace::provide(engine, nullptr);
    }

    // Spins the event loop until the window drew a new frame.
    bool waitForFrame() {
        const long long before = frames;
        window->requestUpdate();
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (frames == before && Clock::now() < deadline) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return frames != before;
    }

    design::ThemeTokens theme{nullptr, nullptr};
    std::vector<SensorPoller::Result> readings;
    face::ScriptedEngineFace face;
    QQmlEngine engine;
    std::unique_ptr<QQuickWindow> window;
    QQuickItem* list = nullptr;
    std::string error;
    Clock::time_point frameStart;
    double lastFrameMs = 0;
    long long frames = 0;
};

struct Structural {
    explicit Structural(QAbstractItemModel* model) {
        QObject::connect(model, &QAbstractItemModel::modelReset, &context, [this] { ++resets; });
        QObject::connect(model, &QAbstractItemModel::layoutChanged, &context, [this] { ++resets; });
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            QObject::connect(model, signal, &context, [this] { ++rowChanges; });
        QObject::connect(model, &QAbstractItemModel::dataChanged, &context, [this] { ++dataChanges; });
    }
    QObject context;
    int resets = 0;
    int rowChanges = 0;
    int dataChanges = 0;
};

void BM_SensorListPollUpdate(benchmark::State& state) {
    ListOnScreen screen;
    if (!screen.error.empty()) {
        state.SkipWithError(screen.error.c_str());
        return;
    }
    auto* rows = screen.list->property("model").value<QAbstractItemModel*>();
    Structural told(rows);
    std::vector<double> updateMs;
    std::vector<double> frameMs;
    std::size_t next = 1;
    for (auto _ : state) {
        const auto& poll = screen.readings[next].allSensors;
        next = next % (screen.readings.size() - 1) + 1;  // 1, 2, 3, 1, ...: every poll moves values
        const auto start = Clock::now();
        screen.face.sensors().allSensors().update(poll, {});
        const auto took = Clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(took).count());
        updateMs.push_back(millis(took));
        if (screen.waitForFrame()) frameMs.push_back(screen.lastFrameMs);
    }
    state.counters["rows"] = rows->rowCount();
    state.counters["update_p50_ms"] = percentile(updateMs, 0.5);
    state.counters["update_p99_ms"] = percentile(updateMs, 0.99);
    state.counters["frame_p50_ms"] = percentile(frameMs, 0.5);
    state.counters["frame_p99_ms"] = percentile(frameMs, 0.99);
    state.counters["resets"] = told.resets;
    state.counters["row_inserts_removes"] = told.rowChanges;
    state.counters["data_changes_per_poll"] = static_cast<double>(told.dataChanges) / static_cast<double>(updateMs.size());
}
BENCHMARK(BM_SensorListPollUpdate)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_SensorListScrollFrames(benchmark::State& state) {
    ListOnScreen screen;
    if (!screen.error.empty()) {
        state.SkipWithError(screen.error.c_str());
        return;
    }
    constexpr double kStep = 30;  // px a frame
    std::vector<double> frameMs;
    for (auto _ : state) {
        screen.list->setProperty("contentY", 0);
        screen.waitForFrame();
        // Down to the end; the list estimates the height of rows not yet
        // made, so the end is where it says it is at its end.
        while (!screen.list->property("atYEnd").toBool()) {
            const double y = screen.list->property("contentY").toDouble();
            // Moving the view may make rows at once; that is the frame's too.
            const auto moved = Clock::now();
            screen.list->setProperty("contentY", y + kStep);
            const double moveMs = millis(Clock::now() - moved);
            if (!screen.waitForFrame()) {
                state.SkipWithError("no frame came");
                return;
            }
            frameMs.push_back(moveMs + screen.lastFrameMs);
            if (std::getenv("ZEPHRANE_BENCH_TRACE") != nullptr)
                std::fprintf(stderr, "y %.0f frame %.2f ms\n", y, screen.lastFrameMs);
        }
    }
    state.counters["frames"] = static_cast<double>(frameMs.size());
    state.counters["frame_p50_ms"] = percentile(frameMs, 0.5);
    state.counters["frame_p99_ms"] = percentile(frameMs, 0.99);
    state.counters["frame_max_ms"] = percentile(frameMs, 1.0);
    state.counters["frames_over_16ms"] =
        static_cast<double>(std::count_if(frameMs.begin(), frameMs.end(), [](double ms) { return ms > 1000.0 / 60; }));
}
BENCHMARK(BM_SensorListScrollFrames)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zephrane

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) qputenv("QT_QUICK_BACKEND", "software");
    // As in the app: QML in the interpreter.
    if (qEnvironmentVariableIsEmpty("QV4_FORCE_INTERPRETER")) qputenv("QV4_FORCE_INTERPRETER", "1");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
