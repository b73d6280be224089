#include "ZephraneApp/Engine/MenuBarLabelModel.hpp"

#include <cmath>
#include <utility>

#include "ZephraneApp/Engine/EngineTasks.hpp"
#include "shared/Saturating.hpp"

namespace zephrane {

bool showsTemperature(MenuBarReadout readout) {
    return readout == MenuBarReadout::controlTemperature || readout == MenuBarReadout::both ||
           readout == MenuBarReadout::hottestSensor;
}

bool showsFanSpeed(MenuBarReadout readout) {
    return readout == MenuBarReadout::hottestFan || readout == MenuBarReadout::both;
}

namespace menubar {

namespace {
constexpr double kSilentFraction = 0.02;
constexpr double kHysteresis = 0.03;
constexpr double kFanTextLimit = 100000;  // rpm; no real fan gets near it

bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

int spinTier(double fraction) {
    if (!std::isfinite(fraction) || fraction <= kSilentFraction) return 0;
    const int tier = saturatingCast<int>(std::ceil(fraction * 5));
    return std::clamp(tier, 1, 5);
}

int spinTierWithHysteresis(double fraction, int previous) {
    const int tier = spinTier(fraction);
    if (tier == 0 || previous == 0) return tier;
    if (tier > previous) return std::max(spinTier(fraction - kHysteresis), previous);
    if (tier < previous) return std::min(spinTier(fraction + kHysteresis), previous);
    return tier;
}

std::string shortSensorName(std::string_view name) {
    std::string_view word = name;
    const auto start = name.find_first_not_of(' ');
    if (start != std::string_view::npos) {
        const auto end = name.find(' ', start);
        word = name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    }
    // Characters, not bytes: a name in UTF-8 is never cut inside a character.
    std::size_t kept = 0;
    std::size_t characters = 0;
    while (kept < word.size()) {
        if (characters == 8) return std::string(word.substr(0, kept));
        ++kept;
        while (kept < word.size() && (static_cast<unsigned char>(word[kept]) & 0xC0) == 0x80) ++kept;
        ++characters;
    }
    return std::string(word);
}

std::string fanSpeedText(double rpm) {
    if (!std::isfinite(rpm) || rpm < 0 || rpm >= kFanTextLimit) return "--";
    return std::to_string(saturatingCast<std::int64_t>(rpm));
}

std::string stripDecimalFractions(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '.' || c == ',') && i + 1 < text.size() && isDigit(text[i + 1])) {
            while (i + 1 < text.size() && isDigit(text[i + 1])) ++i;
            continue;
        }
        kept.push_back(c);
    }
    return kept;
}

}  // namespace menubar

MenuBarLabelModel::MenuBarLabelModel(MenuBarLabelState state, std::chrono::nanoseconds textPushInterval,
                                     std::chrono::nanoseconds minorTextPushInterval,
                                     std::shared_ptr<engine::EngineClock> clock, QObject* parent)
    : QObject(parent),
      state_(std::move(state)),
      textPushInterval_(textPushInterval),
      minorTextPushInterval_(minorTextPushInterval),
      clock_(std::move(clock)) {}

MenuBarLabelModel::~MenuBarLabelModel() {
    alive_.reset();
    flushCancellation_->cancel();
}

void MenuBarLabelModel::update(MenuBarLabelState next) {
    const engine::ContinuousInstant now = clock_->continuousNow();
    if (next == state_) {
        pending_.reset();
        return;
    }
    if (next.readout != state_.readout || next.spinTier != state_.spinTier || next.animated != state_.animated ||
        !lastPush_) {
        push(std::move(next), now);
        return;
    }
    using menubar::stripDecimalFractions;
    const bool majorChange =
        stripDecimalFractions(next.temperatureText) != stripDecimalFractions(state_.temperatureText) ||
        stripDecimalFractions(next.fanText) != stripDecimalFractions(state_.fanText) ||
        stripDecimalFractions(next.hottestSensorText) != stripDecimalFractions(state_.hottestSensorText);
    const std::chrono::nanoseconds interval = majorChange ? textPushInterval_ : minorTextPushInterval_;
    const std::chrono::nanoseconds elapsed = now - *lastPush_;
    if (elapsed >= interval) {
        push(std::move(next), now);
        return;
    }
    pending_ = std::move(next);
    scheduleFlush(interval - elapsed);
}

void MenuBarLabelModel::push(MenuBarLabelState next, engine::ContinuousInstant at) {
    pending_.reset();
    state_ = std::move(next);
    lastPush_ = at;
    emit stateChanged(state_);
}

// A flush already asleep publishes the newest pending state when it wakes,
// even when the new interval would have been shorter.
void MenuBarLabelModel::scheduleFlush(std::chrono::nanoseconds delay) {
    if (flushScheduled_) return;
    flushScheduled_ = true;
    flushAfter(clock_->continuousNow() + delay, alive_);
}

QCoro::Task<void> MenuBarLabelModel::flushAfter(engine::ContinuousInstant deadline, std::weak_ptr<Liveness> alive) {
    engine::TaskInFlight counted;
    auto clock = clock_;
    auto cancellation = flushCancellation_;
    const bool reached = co_await clock->sleepUntil(deadline, std::chrono::nanoseconds(0), cancellation);
    if (alive.expired() || !reached) co_return;
    flushScheduled_ = false;
    if (pending_) push(*std::exchange(pending_, std::nullopt), clock_->continuousNow());
}

}  // namespace zephrane
