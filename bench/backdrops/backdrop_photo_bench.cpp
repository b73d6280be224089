// Decoding and scaling one 3200 px backdrop photograph to each width bucket
// and to a thumbnail (the work the store's workers do), scaling alone, and
// the longest time the GUI thread is busy while a layer switches through
// every backdrop (the decodes run on workers; the GUI thread only lays out
// and takes the finished images).
#include <algorithm>
#include <chrono>
#include <ctime>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropResourceBundle.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/HeifPhotoDecoder.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/PhotoBackdropLayerController.hpp"

namespace {

using namespace zephrane;
using Clock = std::chrono::steady_clock;

// The largest file: the most work per decode.
std::filesystem::path benchPhoto() {
    return *BackdropResources::photoPath(ZEPHRANE_BENCH_BACKDROP_BUNDLE, {"riviera", BackdropAppearance::light});
}

void BM_DecodeAndScale(benchmark::State& state) {
    const HeifPhotoDecoder decoder;
    const auto photo = benchPhoto();
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        DecodedPhoto decoded = decoder.decode(photo, size);
        if (decoded.image.isNull()) state.SkipWithError(decoded.error.c_str());
        benchmark::DoNotOptimize(decoded.image.constBits());
    }
}
BENCHMARK(BM_DecodeAndScale)->Arg(160)->Arg(800)->Arg(1600)->Arg(2400)->Arg(3200)->Unit(benchmark::kMillisecond);

void BM_ScaleOnly(benchmark::State& state) {
    const QImage full = HeifPhotoDecoder().decode(benchPhoto(), 3200).image;
    const int width = static_cast<int>(state.range(0));
    for (auto _ : state) {
        QImage scaled = full.scaled(width, width * 5 / 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB32);
        benchmark::DoNotOptimize(scaled.constBits());
    }
}
BENCHMARK(BM_ScaleOnly)->Arg(160)->Arg(800)->Arg(1600)->Arg(2400)->Unit(benchmark::kMillisecond);

void BM_GuiThreadStallWhileSwitchingBackdrops(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "backdrop_photo_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    // Wall time is what a frame sees; the thread's own CPU time leaves out
    // the moments another process had the core (the machine is shared).
    double longestMs = 0;
    double longestCpuMs = 0;
    const auto threadCpuMs = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    };
    const auto timed = [&](auto&& work) {
        const auto start = Clock::now();
        const double cpuStart = threadCpuMs();
        work();
        longestCpuMs = std::max(longestCpuMs, threadCpuMs() - cpuStart);
        longestMs = std::max(longestMs, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    };
    for (auto _ : state) {
        // A fresh store each round, so every switch decodes.
        BackdropImageStore store([] { return std::optional<std::filesystem::path>(ZEPHRANE_BENCH_BACKDROP_BUNDLE); },
                                 std::make_shared<HeifPhotoDecoder>());
        PhotoBackdropLayerController layer(store);
        for (const WindowBackdrop backdrop : allCases<WindowBackdrop>()) {
            const auto stem = photoStem(backdrop);
            if (!stem) continue;
            timed([&] {
                layer.setAsset(BackdropPhotoAsset{std::string(*stem), BackdropAppearance::dark});
                layer.layout(1200, 2.0);  // a 1200 point window on a 2x screen: the 2400 bucket
            });
            while (layer.loadedWidth() == 0) timed([] { QCoreApplication::processEvents(); });
            // The prefetch of the other appearance lands too before the next switch.
            while (store.cachedImage(BackdropPhotoAsset{std::string(*stem), BackdropAppearance::light}, 2400).isNull())
                timed([] { QCoreApplication::processEvents(); });
        }
    }
    state.counters["longest_gui_stall_ms"] = longestMs;
    state.counters["longest_gui_cpu_ms"] = longestCpuMs;
}
BENCHMARK(BM_GuiThreadStallWhileSwitchingBackdrops)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
