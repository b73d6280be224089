// Alert rules and auto-boost: one rule per sensor category notifies when the
// category's hottest sensor reaches its threshold, and a boosting rule also
// holds the max preset while it stays there, giving the earlier choice (or,
// when a quiet feature's time ran out meanwhile, the system's automatic
// control) back once no boosting rule holds any more.
#include <map>
#include <string>
#include <utility>

#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane {

namespace {

// A rule of a category the default table has no entry for starts from this.
constexpr AlertRule kFallbackRule{false, 90.0, false};

}  // namespace

void ZephraneEngine::setAlertRule(SensorCategory category, std::optional<bool> enabled,
                                  std::optional<double> thresholdCelsius, std::optional<bool> autoBoost) {
    AlertRule rule = kFallbackRule;
    if (const auto stored = alertRules_.find(category); stored != alertRules_.end())
        rule = stored->second;
    else if (const auto fallback = defaultAlertRules().find(category); fallback != defaultAlertRules().end())
        rule = fallback->second;
    if (enabled) rule.enabled = *enabled;
    if (thresholdCelsius) rule.thresholdCelsius = *thresholdCelsius;
    if (autoBoost) rule.autoBoost = *autoBoost;
    AlertRuleTable rules = alertRules_;
    rules[category] = rule;
    setAlertRules(std::move(rules));
}

void ZephraneEngine::resetAlertRules() { setAlertRules(defaultAlertRules()); }

void ZephraneEngine::evaluateAlertRules(const SensorRefs& namedSensors) {
    if (alertRules_.empty()) return;
    // The first sensor with the highest reading of each category.
    std::map<SensorCategory, const SMCSensor*> hottest;
    for (const SMCSensor* sensor : namedSensors) {
        const SMCSensor*& kept = hottest[sensor->category];
        if (!kept || sensor->currentTemp > kept->currentTemp) kept = sensor;
    }

    for (const auto& [category, rule] : alertRules_) {
        if (!rule.enabled) {
            releaseAutoBoostHold(category);
            continue;
        }
        if (!rule.autoBoost) releaseAutoBoostHold(category);
        const auto found = hottest.find(category);
        if (found == hottest.end()) {
            // A tick without the category's sensors passes the rule by, its
            // trigger state kept: a rule that rose with no fans to boost has
            // still risen when they come back. Only a hold lets go, or with
            // the SMC lost it would keep the fans at full speed forever; its
            // rise is forgotten with it, so a reading back still hot takes
            // the boost up again.
            if (autoBoostHolders_.contains(category)) releaseAutoBoostHold(category);
            continue;
        }
        const SMCSensor& sensor = *found->second;
        const bool triggered = sensor.currentTemp >= rule.thresholdCelsius;
        bool wasTriggered = false;
        if (const auto state = ruleTriggerState_.find(category); state != ruleTriggerState_.end())
            wasTriggered = std::exchange(state->second, triggered);
        else
            ruleTriggerState_.emplace(category, triggered);

        alerts_->updateRule("group." + std::string(rawValue(category)), triggered,
                            "Brumalune: " + std::string(displayName(category)) + " Hot",
                            sensor.name + " is running hot at " +
                                TemperatureFormat::display(sensor.currentTemp, useFahrenheit_, false));

        if (!rule.autoBoost) continue;
        if (triggered && !wasTriggered) {
            engageAutoBoost();
            if (isAutoBoostEngaged_) autoBoostHolders_.insert(category);
        } else if (!triggered && wasTriggered) {
            releaseAutoBoostHold(category);
        }
    }
}

void ZephraneEngine::engageAutoBoost() {
    if (fans_.empty() || isAutoBoostEngaged_) return;
    profileBeforeAutoBoost_ = activeProfile_;
    presetBeforeAutoBoost_ = activePreset_;
    autoBoostPreemptedQuietHours_ = quietHoursDriver_.hasMemory;
    autoBoostPreemptedMeetingQuiet_ = meetingDriver_.hasMemory;
    publish(isAutoBoostEngaged_, true, &ZephraneEngine::isAutoBoostEngagedChanged);
    // Its own preset switch must not end the boost it starts.
    const bool wasReapplying = std::exchange(isReapplyingActiveProfile_, true);
    selectPreset(FanPreset::max);
    isReapplyingActiveProfile_ = wasReapplying;
}

void ZephraneEngine::releaseAutoBoostHold(SensorCategory category) {
    ruleTriggerState_.erase(category);
    if (autoBoostHolders_.erase(category) > 0 && autoBoostHolders_.empty()) releaseAutoBoost();
}

void ZephraneEngine::releaseAutoBoost() {
    if (!isAutoBoostEngaged_) return;
    publish(isAutoBoostEngaged_, false, &ZephraneEngine::isAutoBoostEngagedChanged);
    const OptionalProfile profile = std::exchange(profileBeforeAutoBoost_, std::nullopt);
    const OptionalPreset preset = std::exchange(presetBeforeAutoBoost_, std::nullopt);
    const bool preemptedQuietHours = std::exchange(autoBoostPreemptedQuietHours_, false);
    const bool preemptedMeeting = std::exchange(autoBoostPreemptedMeetingQuiet_, false);
    // A quiet feature that held quiet when the boost began and whose time
    // ran out during it: its quiet preset is not the choice to give back.
    const bool quietHoursGone = preemptedQuietHours && !quietHoursDriver_.hasMemory;
    const bool meetingGone = preemptedMeeting && !meetingDriver_.hasMemory;

    if (!quietHoursGone && !meetingGone) {
        if (preset)
            selectPreset(*preset);
        else
            selectProfile(profile.value_or(FanProfile::appleAuto()));
        return;
    }
    if (quietHoursGone) quietHoursDriver_ = QuietDriverState{};
    if (meetingGone) {
        meetingDriver_ = QuietDriverState{false, std::nullopt, std::nullopt, false, false};
        setMeetingQuietActive(false);
    }
    selectProfile(FanProfile::appleAuto());
}

}  // namespace zephrane
