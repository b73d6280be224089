// Quiet hours and meeting quiet: two automatic features that hold the quiet
// preset while their condition lasts (a time window, a microphone in use)
// and give the user's earlier choice back afterwards. Both run on one state
// machine, the quiet driver; auto-boost outranks them both.
#include <ctime>

#include "ZephraneApp/Engine/ZephraneEngine.hpp"

namespace zephrane {

bool ZephraneEngine::isInQuietWindow(int minutesOfDay, int start, int end) {
    if (start == end) return false;
    if (start < end) return start <= minutesOfDay && minutesOfDay < end;
    return minutesOfDay >= start || minutesOfDay < end;
}

void ZephraneEngine::evaluateQuietHours(std::chrono::system_clock::time_point now) {
    // The C library's conversion: a fraction of QDateTime's cost, and this
    // runs every second.
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    const int minutesOfDay = ::localtime_r(&seconds, &local) ? local.tm_hour * 60 + local.tm_min : 0;
    const bool active = quietHoursEnabled_ && isInQuietWindow(minutesOfDay, quietHoursStart_, quietHoursEnd_);
    const QuietCallback none = [] {};
    quietHoursDriver_ = stepQuietDriver(quietHoursDriver_, active, none, none, none);
}

void ZephraneEngine::evaluateMeetingQuiet(bool microphoneInUse) {
    const bool active = meetingQuietEnabled_ && microphoneInUse;
    meetingDriver_ = stepQuietDriver(
        meetingDriver_, active, [this] { setMeetingQuietActive(true); }, [this] { setMeetingQuietActive(false); },
        [this] {
            // Quiet hours held quiet only because meeting quiet had taken it
            // first: re-armed, they take the preset just given back as their
            // own memory at their next evaluation instead of counting it as
            // the user's override.
            if (quietHoursDriver_.wasActive == true && !quietHoursDriver_.overridden)
                quietHoursDriver_.wasActive = false;
        });
}

void ZephraneEngine::setMeetingQuietActive(bool active) {
    publish(meetingQuietActive_, active, &ZephraneEngine::meetingQuietActiveChanged);
}

QuietDriverState ZephraneEngine::stepQuietDriver(QuietDriverState s, bool active, const QuietCallback& onEngage,
                                                 const QuietCallback& onRelease, const QuietCallback& onRestore) {
    const bool onQuiet = activePreset_ == FanPreset::quiet;
    if (!active) {
        if (s.wasActive != true) return s;
        if (s.hasMemory && onQuiet && manualFanTargets_.empty() && !isAutoBoostEngaged_) {
            if (s.priorPreset)
                selectPreset(*s.priorPreset);
            else
                selectProfile(s.priorProfile.value_or(FanProfile::appleAuto()));
            onRestore();
        }
        s = QuietDriverState{false, std::nullopt, std::nullopt, false, false};
        onRelease();
        return s;
    }
    if (s.hasMemory) {
        s.wasActive = true;
        if (!isAutoBoostEngaged_ && !onQuiet) {
            // Someone else chose another preset inside the window.
            s.hasMemory = false;
            s.priorPreset.reset();
            s.priorProfile.reset();
            s.overridden = true;
            onRelease();
        }
        return s;
    }
    if (onQuiet) {
        s.wasActive = true;
        return s;
    }
    if (s.wasActive == true) {
        s.overridden = true;
        s.wasActive = false;
        return s;
    }
    if (s.overridden || !manualFanTargets_.empty() || isAutoBoostEngaged_) return s;
    s.priorPreset = activePreset_;
    s.priorProfile = activeProfile_;
    s.hasMemory = true;
    s.wasActive = true;
    onEngage();
    selectPreset(FanPreset::quiet);
    return s;
}

}  // namespace zephrane
