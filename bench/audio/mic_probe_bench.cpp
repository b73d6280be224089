// What one microphone probe costs on ALSA's tree: the engine asks on every
// control tick, off the GUI thread.
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "platform/audio/AlsaAudioHardware.hpp"

namespace {

using namespace zephrane::audio;
namespace fs = std::filesystem;

// A laptop-like tree: an onboard card with two capture PCMs of a few closed
// substreams each and a playback side, and an HDMI card without capture.
struct Tree {
    fs::path root = fs::temp_directory_path() / ("zephrane-asound-bench-" + std::to_string(::getpid()));
    Tree() {
        fs::remove_all(root);
        for (const char* pcm : {"pcm0c", "pcm2c", "pcm0p"})
            for (int sub = 0; sub < 4; ++sub) {
                const auto dir = root / "card0" / pcm / ("sub" + std::to_string(sub));
                fs::create_directories(dir);
                std::ofstream(dir / "status") << "closed\n";
            }
        fs::create_directories(root / "card1" / "pcm3p" / "sub0");
    }
    ~Tree() { fs::remove_all(root); }
};

void BM_ProbeDefaultInput(benchmark::State& state) {
    const Tree tree;
    const AlsaAudioHardware hardware(tree.root.string());
    const AudioObjectPropertyAddress defaultInput{kAudioHardwarePropertyDefaultInputDevice,
                                                  kAudioObjectPropertyScopeGlobal, kAudioObjectPropertyElementMain};
    const AudioObjectPropertyAddress running{kAudioDevicePropertyDeviceIsRunningSomewhere,
                                             kAudioObjectPropertyScopeGlobal, kAudioObjectPropertyElementMain};
    for (auto _ : state) {
        std::uint32_t device = 0, size = 4;
        hardware.getPropertyData(kAudioObjectSystemObject, defaultInput, size, &device);
        std::uint32_t value = 0;
        size = 4;
        benchmark::DoNotOptimize(hardware.getPropertyData(device, running, size, &value));
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_ProbeDefaultInput)->Unit(benchmark::kMicrosecond);

}  // namespace
