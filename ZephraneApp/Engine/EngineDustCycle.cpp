// The engine's side of the dust cycle: starting and cancelling it, the step
// that replaces the control step on every tick while it runs, and the state
// the dashboard's card shows. The pattern and when to stop belong to
// DustCycle.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <variant>

#include "ZephraneApp/Engine/EngineTasks.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"

namespace zephrane {

using engine::TaskInFlight;
using namespace std::chrono_literals;

namespace {

int wholeSeconds(std::chrono::nanoseconds duration) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration).count();
    return static_cast<int>(std::clamp<std::int64_t>(seconds, -3600, 3600));
}

}  // namespace

void ZephraneEngine::startDustCycle() {
    if (dustCycleStartedAt_ || !manualFanTargets_.empty() || isAutoBoostEngaged_) return;
    // The drive stays as it is; the tick only skips it while the cycle runs.
    profileBeforeDustCycle_ = activeProfile_;
    presetBeforeDustCycle_ = activePreset_;
    dustCycleStartedAt_ = clock_->continuousNow();
    ++dustCycleRuns_;
    setDustCycleState({DustCycleUIState::Running{wholeSeconds(DustCycle::totalDuration())}});
}

void ZephraneEngine::cancelDustCycle() {
    if (!dustCycleStartedAt_) return;
    dustCycleStartedAt_.reset();
    const OptionalProfile profile = std::exchange(profileBeforeDustCycle_, std::nullopt);
    const OptionalPreset preset = std::exchange(presetBeforeDustCycle_, std::nullopt);
    if (preset)
        selectPreset(*preset);
    else
        selectProfile(profile.value_or(FanProfile::appleAuto()));
    resetDustCycleStateLater();
}

void ZephraneEngine::endDustCycleForNewDrive() {
    if (!dustCycleStartedAt_) return;
    dustCycleStartedAt_.reset();
    profileBeforeDustCycle_.reset();
    presetBeforeDustCycle_.reset();
    resetDustCycleStateLater();
}

QCoro::Task<void> ZephraneEngine::runDustCycleStep() {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    if (!dustCycleStartedAt_) co_return;
    const Instant startedAt = *dustCycleStartedAt_;
    const auto elapsed = clock_->continuousNow() - startedAt;
    const DustCycle::Verdict verdict = DustCycle::verdict(
        elapsed, controlTemperature_, helperState_.kind() == HelperState::Kind::connected);

    if (const auto* run = std::get_if<DustCycle::Run>(&verdict)) {
        TargetList targets;
        targets.reserve(fans_.size());
        for (const auto& [index, fan] : fans_)
            targets.emplace_back(index, fan.minRPM + (fan.maxRPM - fan.minRPM) * run->dutyFraction);
        co_await writeTargets(std::move(targets));
        if (alive.expired()) co_return;
        // Cancelled, or replaced by another drive, while the writes were out.
        if (dustCycleStartedAt_ != startedAt) co_return;
        const int total = wholeSeconds(DustCycle::totalDuration());
        setDustCycleState({DustCycleUIState::Running{std::max(total - wholeSeconds(elapsed), 1)}});
        co_return;
    }
    if (std::holds_alternative<DustCycle::Finished>(verdict))
        setDustCycleState({DustCycleUIState::Completed{}});
    else
        setDustCycleState({DustCycleUIState::Aborted{}});
    cancelDustCycle();
}

void ZephraneEngine::setDustCycleState(DustCycleUIState state) {
    publish(dustCycleState_, std::move(state), &ZephraneEngine::dustCycleStateChanged);
}

// The result stays on the card for a moment, then the card goes back to
// idle, unless another cycle has started meanwhile: its countdown, or its
// own result, is not this reset's to clear.
QCoro::Task<void> ZephraneEngine::resetDustCycleStateLater() {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    const std::uint64_t run = dustCycleRuns_;
    auto clock = clock_;
    auto wait = std::make_shared<engine::Cancellation>();
    dustStateResets_.waits.push_back(wait);
    co_await clock->sleepUntil(clock->continuousNow() + dustResultShownFor, 0ns, wait);
    if (alive.expired()) co_return;
    std::erase(dustStateResets_.waits, wait);
    if (dustCycleRuns_ != run) co_return;
    setDustCycleState({DustCycleUIState::Idle{}});
}

}  // namespace zephrane
