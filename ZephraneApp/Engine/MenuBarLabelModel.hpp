// The status item's label: what it shows (a temperature, the fastest fan's
// speed, the hottest sensor, or none), the tier of its fan icon's spin, and
// the publisher between the engine and the status item.
//
// The engine builds a new label on every control tick, ten times a second
// while it drives the fans. The model turns that into few redraws: a change
// of the readout, the spin tier or the animated flag is published at once;
// a change of the texts alone waits up to 1 s when a whole number changes,
// and up to 6 s when only digits after a decimal separator do.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QObject>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Engine/EngineClock.hpp"
#include "ZephraneApp/Engine/EngineTypes.hpp"

namespace zephrane {

// What each readout shows (their names are the model's).
bool showsTemperature(MenuBarReadout readout);
bool showsFanSpeed(MenuBarReadout readout);

// One rendering of the label.
struct MenuBarLabelState {
    MenuBarReadout readout = MenuBarReadout::none;
    std::string temperatureText = "--";
    std::string fanText = "--";
    std::string hottestSensorText = "--";
    int spinTier = 0;  // 0 to 5
    bool animated = true;

    // What the label shows before the engine has built one.
    static MenuBarLabelState placeholder() { return {}; }
    friend bool operator==(const MenuBarLabelState&, const MenuBarLabelState&) = default;
};

namespace menubar {

// A fraction of 0.02 or less (or not a number) is 0; above it, the fraction
// times five rounded up, 1 to 5.
int spinTier(double fraction);
// The tier for `fraction` when `previous` is shown: a change between two
// non-zero tiers takes effect only once the fraction is 0.03 past the
// boundary; a change to or from 0 passes at once.
int spinTierWithHysteresis(double fraction, int previous);
// The first word of a sensor's name, at most 8 characters; a name without
// words is kept as it is.
std::string shortSensorName(std::string_view name);
// The fastest fan's speed as plain decimal digits, cut toward zero; "--" for
// a value that is negative, not finite, or 100000 rpm or more.
std::string fanSpeedText(double rpm);
// The text with every "." or "," that is followed by digits removed together
// with those digits: what a text reads like without its decimal fraction.
std::string stripDecimalFractions(std::string_view text);

}  // namespace menubar

class MenuBarLabelModel : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::seconds defaultTextPushInterval{1};
    static constexpr std::chrono::seconds defaultMinorTextPushInterval{6};

    // Flushes wait on `clock`, the engine's continuous clock.
    MenuBarLabelModel(MenuBarLabelState state, std::chrono::nanoseconds textPushInterval,
                      std::chrono::nanoseconds minorTextPushInterval, std::shared_ptr<engine::EngineClock> clock,
                      QObject* parent = nullptr);
    // Drops a pending state; a flush still asleep wakes and does nothing.
    ~MenuBarLabelModel() override;

    // The published state, which the status item draws.
    const MenuBarLabelState& state() const { return state_; }
    // Takes the newest state; publishes it now or schedules it. GUI thread.
    void update(MenuBarLabelState next);

    const std::optional<MenuBarLabelState>& pending() const { return pending_; }
    bool isFlushScheduled() const { return flushScheduled_; }

signals:
    // Every publish, with the state published.
    void stateChanged(const zephrane::MenuBarLabelState& state);

private:
    struct Liveness {};
    void push(MenuBarLabelState next, engine::ContinuousInstant at);
    void scheduleFlush(std::chrono::nanoseconds delay);
    QCoro::Task<void> flushAfter(engine::ContinuousInstant deadline, std::weak_ptr<Liveness> alive);

    std::shared_ptr<Liveness> alive_ = std::make_shared<Liveness>();
    MenuBarLabelState state_;
    std::chrono::nanoseconds textPushInterval_;
    std::chrono::nanoseconds minorTextPushInterval_;
    std::optional<engine::ContinuousInstant> lastPush_;
    std::optional<MenuBarLabelState> pending_;
    bool flushScheduled_ = false;
    std::shared_ptr<engine::EngineClock> clock_;
    std::shared_ptr<engine::Cancellation> flushCancellation_ = std::make_shared<engine::Cancellation>();
};

}  // namespace zephrane
