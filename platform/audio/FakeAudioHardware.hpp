// An audio system in memory for tests: a default input device (or none),
// whether each device runs, and failures to inject per property. Counts the
// reads, so a test can see that the monitor stopped early. Safe to use from
// several threads, like the real one.
#pragma once

#include <atomic>
#include <cstring>

#include "platform/audio/AudioHardware.hpp"

namespace zephrane::audio {

class FakeAudioHardware final : public AudioHardware {
public:
    static constexpr AudioObjectID kMicrophone = 0x42;

    std::atomic<AudioObjectID> defaultInputDevice{kMicrophone};
    std::atomic<std::uint32_t> runningSomewhere{0};  // of kMicrophone; other devices are bad objects
    std::atomic<OSStatus> defaultDeviceError{kAudioHardwareNoError};
    std::atomic<OSStatus> runningError{kAudioHardwareNoError};

    int defaultDeviceReads() const { return defaultDeviceReads_; }
    int runningReads() const { return runningReads_; }

    OSStatus getPropertyData(AudioObjectID object, const AudioObjectPropertyAddress& address,
                             std::uint32_t& ioDataSize, void* outData) const override {
        std::uint32_t value = 0;
        if (object == kAudioObjectSystemObject) {
            ++defaultDeviceReads_;
            if (address.selector != kAudioHardwarePropertyDefaultInputDevice) return kAudioHardwareUnknownPropertyError;
            if (defaultDeviceError != kAudioHardwareNoError) return defaultDeviceError;
            value = defaultInputDevice;
        } else if (object == kMicrophone) {
            ++runningReads_;
            if (address.selector != kAudioDevicePropertyDeviceIsRunningSomewhere)
                return kAudioHardwareUnknownPropertyError;
            if (runningError != kAudioHardwareNoError) return runningError;
            value = runningSomewhere;
        } else {
            return kAudioHardwareBadObjectError;
        }
        if (address.scope != kAudioObjectPropertyScopeGlobal || address.element != kAudioObjectPropertyElementMain)
            return kAudioHardwareUnknownPropertyError;
        if (outData == nullptr || ioDataSize < sizeof value) return kAudioHardwareBadPropertySizeError;
        std::memcpy(outData, &value, sizeof value);
        ioDataSize = sizeof value;
        return kAudioHardwareNoError;
    }

private:
    mutable std::atomic<int> defaultDeviceReads_{0};
    mutable std::atomic<int> runningReads_{0};
};

}  // namespace zephrane::audio
