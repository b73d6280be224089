// The GUI thread's longest stall while a window switches backdrop: a real
// window (the window modifier over the build's photographs) goes through
// every photo backdrop, each time until the new photograph is on screen
// and its frame is out. A stall is one pass of the GUI thread's event
// loop, so it holds everything a frame waits for: bindings, the layer
// taking its image, the scene graph's sync (and, with the basic render
// loop, the render itself).
//
// Run it on a display (the tests' with_xvfb.sh gives one) or with
// -platform offscreen.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

#include <benchmark/benchmark.h>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewStore.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"
#include "ZephraneApp/Model/WindowBackdrop.hpp"

Q_IMPORT_QML_PLUGIN(Zephrane_DesignPlugin)

namespace {

using namespace zephrane;
using Clock = std::chrono::steady_clock;

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The longest single pass of the GUI thread's event loop while it is
// watched, in wall time and in the thread's own CPU time (which leaves out
// the moments another process had the core: the machine is shared).
struct StallWatch {
    void pass() {
        const auto start = Clock::now();
        const double cpuStart = threadCpuMs();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!watching) return;
        longestMs = std::max(longestMs, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        longestCpuMs = std::max(longestCpuMs, threadCpuMs() - cpuStart);
    }
    bool watching = false;
    double longestMs = 0;
    double longestCpuMs = 0;
};

void BM_GuiThreadStallWhileAWindowSwitchesBackdrop(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "zephrane_bench_design";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) new QGuiApplication(argc, argv);

    BackdropImageStore store([] { return std::optional<std::filesystem::path>(ZEPHRANE_BENCH_BACKDROP_BUNDLE); },
                             std::make_shared<HeifPhotoDecoder>());
    design::setBackdropViewStore(&store);
    QQmlEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    QQmlComponent component(&engine);
    component.setData(R"(
        import QtQuick
        import Zephrane.Design
        Window {
            width: 1000; height: 640; visible: true
            property alias backdrop: modifier.backdrop
            property alias photoLoaded: modifier.photoLoaded
            WindowGlassModifier { id: modifier; anchors.fill: parent }
        })",
                      QUrl());
    std::unique_ptr<QQuickWindow> window(qobject_cast<QQuickWindow*>(component.create()));
    if (!window) {
        state.SkipWithError(qPrintable(component.errorString()));
        return;
    }
    bool framed = false;
    QObject::connect(window.get(), &QQuickWindow::frameSwapped, [&framed] { framed = true; });
    StallWatch watch;
    const auto spinUntil = [&watch](const auto& condition) {
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (!condition() && Clock::now() < deadline) watch.pass();
        return condition();
    };
    spinUntil([&] { return window->isExposed() && framed; });
    watch.watching = true;
    for (auto _ : state) {
        for (const WindowBackdrop backdrop : allCases<WindowBackdrop>()) {
            if (!photoStem(backdrop)) continue;
            window->setProperty("backdrop", QString::fromStdString(std::string(rawValue(backdrop))));
            framed = false;
            if (!spinUntil([&] { return window->property("photoLoaded").toBool() && framed; })) {
                state.SkipWithError("the photograph never came on screen");
                break;
            }
            framed = false;
            spinUntil([&] { return framed; });  // the frame after: the old texture is gone
        }
        // Every round decodes again.
        store.purgeImages();
    }
    state.counters["longest_gui_stall_ms"] = watch.longestMs;
    state.counters["longest_gui_cpu_ms"] = watch.longestCpuMs;
    window.reset();
    design::setBackdropViewStore(nullptr);
}
BENCHMARK(BM_GuiThreadStallWhileAWindowSwitchesBackdrop)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
