#include "ZephraneApp/Face/AlertsFace.hpp"

#include <utility>

#include "ZephraneApp/Engine/EngineSettings.hpp"
#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "shared/EnumCases.hpp"

namespace zephrane::face {

AlertsFace::AlertsFace(EngineFace& face, QObject* parent)
    : QObject(parent), face_(face), alertRules_(this), heatSources_(this), dailyHeatSources_(this) {}

const std::map<SensorCategory, AlertRule>& AlertsFace::defaultAlertRules() { return settings::defaultAlertRules(); }

QString AlertsFace::inAppAlertText() const { return state_.inAppAlert ? qtText(*state_.inAppAlert) : QString(); }

void AlertsFace::setAlertRule(SensorCategory category, std::optional<bool> enabled,
                              std::optional<double> thresholdCelsius, std::optional<bool> autoBoost) {
    face_.perform(command::SetAlertRule{category, enabled, thresholdCelsius, autoBoost});
}

void AlertsFace::setAlertRuleEnabled(const QString& category, bool enabled) {
    if (const auto c = fromRawValue<SensorCategory>(category.toStdString()))
        setAlertRule(*c, enabled, std::nullopt, std::nullopt);
}

void AlertsFace::setAlertRuleThreshold(const QString& category, double thresholdCelsius) {
    if (const auto c = fromRawValue<SensorCategory>(category.toStdString()))
        setAlertRule(*c, std::nullopt, thresholdCelsius, std::nullopt);
}

void AlertsFace::setAlertRuleAutoBoost(const QString& category, bool autoBoost) {
    if (const auto c = fromRawValue<SensorCategory>(category.toStdString()))
        setAlertRule(*c, std::nullopt, std::nullopt, autoBoost);
}

void AlertsFace::resetAlertRules() { face_.perform(command::ResetAlertRules{}); }

void AlertsFace::dismissInAppAlert() { face_.perform(command::DismissInAppAlert{}); }

QCoro::Task<std::optional<QString>> AlertsFace::exportHistoryCSV() { return face_.exportHistoryCSV(); }

void AlertsFace::publish(State next) {
    const State was = std::exchange(state_, std::move(next));
    tellIfChanged(*this, was.isOverheating, state_.isOverheating, &AlertsFace::isOverheatingChanged);
    tellIfChanged(*this, was.inAppAlert, state_.inAppAlert, &AlertsFace::inAppAlertChanged);
    tellIfChanged(*this, was.hasHistory, state_.hasHistory, &AlertsFace::hasHistoryChanged);
}

}  // namespace zephrane::face
