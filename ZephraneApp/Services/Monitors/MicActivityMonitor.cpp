#include "ZephraneApp/Services/Monitors/MicActivityMonitor.hpp"

#include <cstdint>
#include <exception>

namespace zephrane {

using namespace audio;

MicActivityMonitor::MicActivityMonitor(const audio::AudioHardware& hardware)
    : core_(hardware), actor_(QStringLiteral("MicActivityMonitor")) {}

MicActivityMonitor::~MicActivityMonitor() = default;

QCoro::Task<bool> MicActivityMonitor::isMicrophoneInUse() {
    return actor_.call([core = &core_] { return core->isMicrophoneInUse(); });
}

bool MicActivityMonitor::Core::isMicrophoneInUse() const noexcept {
    try {
        AudioObjectID device = kAudioObjectUnknown;
        std::uint32_t size = sizeof device;
        const AudioObjectPropertyAddress defaultInput{kAudioHardwarePropertyDefaultInputDevice,
                                                      kAudioObjectPropertyScopeGlobal,
                                                      kAudioObjectPropertyElementMain};
        if (hardware_->getPropertyData(kAudioObjectSystemObject, defaultInput, size, &device) != kAudioHardwareNoError ||
            device == kAudioObjectUnknown)
            return false;

        std::uint32_t running = 0;
        size = sizeof running;
        const AudioObjectPropertyAddress runningSomewhere{kAudioDevicePropertyDeviceIsRunningSomewhere,
                                                          kAudioObjectPropertyScopeGlobal,
                                                          kAudioObjectPropertyElementMain};
        return hardware_->getPropertyData(device, runningSomewhere, size, &running) == kAudioHardwareNoError &&
               running != 0;
    } catch (const std::exception&) {
        return false;  // a stand-in that ran out of memory knows nothing either
    }
}

}  // namespace zephrane
