// Alerts and records: the alert rules, the overheat state and the in-app
// alert, the heat sources live and today, and the power history.
#pragma once

#include <map>
#include <optional>
#include <string>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Face/AlertRuleModel.hpp"
#include "ZephraneApp/Face/HeatSourceModel.hpp"

namespace zephrane::face {

class EngineFace;

class AlertsFace final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of Face")
    Q_PROPERTY(zephrane::face::AlertRuleModel* alertRules READ alertRulesModel CONSTANT)
    Q_PROPERTY(zephrane::face::HeatSourceModel* heatSources READ heatSourcesModel CONSTANT)
    Q_PROPERTY(zephrane::face::HeatSourceModel* dailyHeatSources READ dailyHeatSourcesModel CONSTANT)
    Q_PROPERTY(bool isOverheating READ isOverheating NOTIFY isOverheatingChanged)
    Q_PROPERTY(bool hasInAppAlert READ hasInAppAlert NOTIFY inAppAlertChanged)
    Q_PROPERTY(QString inAppAlert READ inAppAlertText NOTIFY inAppAlertChanged)
    Q_PROPERTY(bool hasHistory READ hasHistory NOTIFY hasHistoryChanged)

public:
    struct State {
        bool isOverheating = false;
        std::optional<std::string> inAppAlert;
        bool hasHistory = false;  // the power history holds a sample to export
        friend bool operator==(const State&, const State&) = default;
    };

    AlertsFace(EngineFace& face, QObject* parent);

    // The engine's rule per category before the user changed any.
    static const std::map<SensorCategory, AlertRule>& defaultAlertRules();

    const State& state() const { return state_; }
    AlertRuleModel& alertRules() { return alertRules_; }
    const AlertRuleModel& alertRules() const { return alertRules_; }
    HeatSourceModel& heatSources() { return heatSources_; }
    const HeatSourceModel& heatSources() const { return heatSources_; }
    HeatSourceModel& dailyHeatSources() { return dailyHeatSources_; }
    const HeatSourceModel& dailyHeatSources() const { return dailyHeatSources_; }

    bool isOverheating() const { return state_.isOverheating; }
    bool hasInAppAlert() const { return state_.inAppAlert.has_value(); }
    QString inAppAlertText() const;
    bool hasHistory() const { return state_.hasHistory; }

    // A part left out keeps the stored one.
    void setAlertRule(SensorCategory category, std::optional<bool> enabled, std::optional<double> thresholdCelsius,
                      std::optional<bool> autoBoost);
    // By the category's raw value ("cpu", "gpu", ...); an unknown one does nothing.
    Q_INVOKABLE void setAlertRuleEnabled(const QString& category, bool enabled);
    Q_INVOKABLE void setAlertRuleThreshold(const QString& category, double thresholdCelsius);
    Q_INVOKABLE void setAlertRuleAutoBoost(const QString& category, bool autoBoost);
    Q_INVOKABLE void resetAlertRules();
    Q_INVOKABLE void dismissInAppAlert();
    QCoro::Task<std::optional<QString>> exportHistoryCSV();

    // For the face's implementation: what the engine now holds.
    void publish(State next);

signals:
    void isOverheatingChanged();
    void inAppAlertChanged();
    void hasHistoryChanged();

private:
    AlertRuleModel* alertRulesModel() { return &alertRules_; }
    HeatSourceModel* heatSourcesModel() { return &heatSources_; }
    HeatSourceModel* dailyHeatSourcesModel() { return &dailyHeatSources_; }

    EngineFace& face_;
    State state_;
    AlertRuleModel alertRules_;
    HeatSourceModel heatSources_;
    HeatSourceModel dailyHeatSources_;
};

}  // namespace zephrane::face
