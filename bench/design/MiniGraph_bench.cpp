// The mini graph's cost: one frame at 120 readings (the geometry and the
// painting into an image, as the software renderer paints an item), and
// what a graph and a spinner cost while nobody can see them: nothing.
#include <cmath>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QQuickWindow>

#include <benchmark/benchmark.h>

#include "ZephraneApp/DesignSystem/Painters/MiniGraphCanvas.hpp"
#include "ZephraneApp/DesignSystem/Painters/MiniGraphModel.hpp"
#include "ZephraneApp/DesignSystem/Painters/MiniGraphPainter.hpp"
#include "ZephraneApp/DesignSystem/Painters/SpinnerCanvas.hpp"

namespace {

using namespace zephrane::design;

std::vector<double> readings(std::size_t count) {
    std::vector<double> values(count);
    for (std::size_t i = 0; i < count; ++i) values[i] = 55 + 15 * std::sin(static_cast<double>(i) / 9.0);
    return values;
}

// One frame as the item draws it while a reading scrolls in: the frame's
// geometry, then the fill, baseline, thermal line and dot painted into a
// fresh image of the item's size at the given pixel ratio.
void paintOneFrame(benchmark::State& state, bool thermal, bool fill) {
    const std::vector<double> samples = readings(static_cast<std::size_t>(state.range(0)));
    const double ratio = static_cast<double>(state.range(1));
    const QSizeF size(160, 44);
    MiniGraphPainter painter;
    MiniGraphScroll scroll;
    MiniGraphStyle style{QColor(10, 132, 255), 1.5, fill, thermal, ratio, QColor(0, 0, 0, 20)};
    QImage image((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    double now = 0;
    for (auto _ : state) {
        now += 1.0 / 30;
        const auto frame = miniGraphFrame(samples, size, now, false, std::nullopt, scroll);
        image.fill(Qt::transparent);
        QPainter p(&image);
        painter.paint(p, *frame, size, style);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_MiniGraphFrame_ThermalFill(benchmark::State& state) { paintOneFrame(state, true, true); }
void BM_MiniGraphFrame_Tinted(benchmark::State& state) { paintOneFrame(state, false, false); }
BENCHMARK(BM_MiniGraphFrame_ThermalFill)->Args({120, 1})->Args({120, 2})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MiniGraphFrame_Tinted)->Args({120, 1})->Args({120, 2})->Unit(benchmark::kMicrosecond);

// New readings every "second" for a hidden main window, then for a window
// that is not shown at all: the counters report the frames drawn (none).
void BM_MiniGraphHidden(benchmark::State& state) {
    QQuickWindow window;
    window.resize(200, 60);
    auto* graph = new MiniGraphCanvas(window.contentItem());
    graph->setSize(QSizeF(160, 44));
    std::vector<double> samples = readings(120);
    const bool windowShown = state.range(0) != 0;
    if (windowShown) window.show();
    graph->setMainWindowVisible(!windowShown);  // hidden one way or the other
    for (auto _ : state) {
        samples.erase(samples.begin());
        samples.push_back(samples.back() + 0.5);
        graph->setSamples(samples);
        QCoreApplication::processEvents();
    }
    state.counters["frames"] = static_cast<double>(graph->frameCount());
    state.counters["animating"] = graph->animating() ? 1 : 0;
}
BENCHMARK(BM_MiniGraphHidden)->Arg(0)->Arg(1)->ArgNames({"shownWindowMainHidden"});

// A spinner asked to spin in a window nobody shows draws no frames.
void BM_SpinnerUnseen(benchmark::State& state) {
    QQuickWindow window;
    auto* spinner = new SpinnerCanvas(window.contentItem());
    spinner->setSize(QSizeF(16, 16));
    double velocity = 6;
    for (auto _ : state) {
        velocity = velocity > 20 ? 6 : velocity + 1;
        spinner->setAngularVelocity(velocity);
        QCoreApplication::processEvents();
    }
    state.counters["running"] = spinner->running() ? 1 : 0;
}
BENCHMARK(BM_SpinnerUnseen);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
