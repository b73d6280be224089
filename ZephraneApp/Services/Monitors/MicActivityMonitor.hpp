// Whether the default audio input device is capturing for any process right
// now, this one included: the engine keeps the fans quiet during a call.
// Two property reads, no state of its own: callable from any thread, never
// throws, and every failure answers false. The reads touch the file system
// (procfs on Linux), so the engine calls it off the GUI thread.
#pragma once

#include "platform/audio/AudioHardware.hpp"

namespace zephrane {

class MicActivityMonitor {
public:
    // `hardware` must outlive the monitor and be safe on any thread.
    explicit MicActivityMonitor(const audio::AudioHardware& hardware) : hardware_(&hardware) {}

    bool isMicrophoneInUse() const noexcept;

private:
    const audio::AudioHardware* hardware_;
};

}  // namespace zephrane
