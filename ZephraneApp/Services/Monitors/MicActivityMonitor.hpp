// Whether the default audio input device is capturing for any process right
// now, this one included: the engine keeps the fans quiet during a call.
//
// MicActivityMonitor::Core makes the two property reads synchronously: no
// state of its own, callable from any thread, never throws, and every
// failure answers false. The reads touch the file system (procfs on Linux),
// so MicActivityMonitor runs them on an actor thread of its own and the
// engine awaits the answer.
#pragma once

#include <qcoro/qcorotask.h>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "platform/audio/AudioHardware.hpp"

namespace zephrane {

class MicActivityMonitor {
public:
    class Core {
    public:
        // `hardware` must outlive the core and be safe on any thread.
        explicit Core(const audio::AudioHardware& hardware) : hardware_(&hardware) {}

        bool isMicrophoneInUse() const noexcept;

    private:
        const audio::AudioHardware* hardware_;
    };

    // `hardware` must outlive the monitor and be safe on any thread.
    explicit MicActivityMonitor(const audio::AudioHardware& hardware);
    ~MicActivityMonitor();
    MicActivityMonitor(const MicActivityMonitor&) = delete;
    MicActivityMonitor& operator=(const MicActivityMonitor&) = delete;

    // Core::isMicrophoneInUse() on the actor thread; resumes the caller on
    // its own thread. Throws ActorStopped only to a caller that outlived the
    // monitor.
    QCoro::Task<bool> isMicrophoneInUse();

    // The thread every read runs on.
    QThread* thread() { return actor_.thread(); }

private:
    Core core_;
    Actor actor_;
};

}  // namespace zephrane
