#include "ZephraneApp/Services/Monitors/MicActivityMonitor.hpp"

#include <cstdint>
#include <exception>

namespace zephrane {

using namespace audio;

bool MicActivityMonitor::isMicrophoneInUse() const noexcept {
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
