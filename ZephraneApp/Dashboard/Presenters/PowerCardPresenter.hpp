// The power card's rules for DashboardPowerCard.qml: the source's symbol
// and charge words, the headline figure, the battery's maximum capacity,
// and the seven figures of the grid (a list model whose cells change in
// place as the figures move).
#pragma once

#include <string>

#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Dashboard/Presenters/FacePresenter.hpp"
#include "ZephraneApp/Dashboard/Rules/PowerCardText.hpp"
#include "ZephraneApp/Face/RowListModel.hpp"

namespace zephrane::dashboard {

class PowerMetricModel : public face::RowListModel<PowerMetric, std::string> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role { LabelRole = firstRole, ValueRole, HelpRole };
    Q_ENUM(Role)

    explicit PowerMetricModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;
    void update(std::span<const PowerMetric> metrics);
};

class PowerCardPresenter : public FacePresenter {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString symbol READ symbol NOTIFY changed)
    Q_PROPERTY(QString chargeText READ chargeText NOTIFY changed)
    Q_PROPERTY(QString summaryValue READ summaryValue NOTIFY changed)
    Q_PROPERTY(QString summaryLabel READ summaryLabel NOTIFY changed)
    Q_PROPERTY(QString summaryHelp READ summaryHelp NOTIFY changed)
    Q_PROPERTY(bool showsBatteryHealth READ showsBatteryHealth NOTIFY changed)
    Q_PROPERTY(QString batteryHealthValue READ batteryHealthValue NOTIFY changed)
    // "87% maximum capacity"
    Q_PROPERTY(QString batteryHealthSpoken READ batteryHealthSpoken NOTIFY changed)
    Q_PROPERTY(zephrane::dashboard::PowerMetricModel* metrics READ metrics CONSTANT)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString healthCaption READ healthCaption CONSTANT)
    Q_PROPERTY(QString healthLabel READ healthLabel CONSTANT)
    Q_PROPERTY(QString healthHelp READ healthHelp CONSTANT)

public:
    struct Shown {
        std::string symbol;
        std::string chargeText;
        PowerSummary summary;
        std::optional<std::string> batteryHealth;
        friend bool operator==(const Shown&, const Shown&) = default;
    };

    explicit PowerCardPresenter(QObject* parent = nullptr);

    const Shown& shown() const { return shown_; }
    QString symbol() const { return QString::fromStdString(shown_.symbol); }
    QString chargeText() const { return QString::fromStdString(shown_.chargeText); }
    QString summaryValue() const { return QString::fromStdString(shown_.summary.value); }
    QString summaryLabel() const { return QString::fromStdString(shown_.summary.label); }
    QString summaryHelp() const { return QString::fromStdString(shown_.summary.help); }
    bool showsBatteryHealth() const { return shown_.batteryHealth.has_value(); }
    QString batteryHealthValue() const { return QString::fromStdString(shown_.batteryHealth.value_or("")); }
    QString batteryHealthSpoken() const { return batteryHealthValue() + QStringLiteral(" maximum capacity"); }
    PowerMetricModel* metrics() { return metrics_; }
    QString title() const { return QStringLiteral("Power"); }
    QString healthCaption() const { return QStringLiteral("Maximum Capacity"); }
    QString healthLabel() const { return QStringLiteral("Battery health"); }
    QString healthHelp() const {
        return QStringLiteral("The Maximum Capacity percentage reported by macOS battery health.");
    }

signals:
    void changed();

protected:
    void follow(face::EngineFace& face) override;
    void refresh() override;

private:
    Shown shown_;
    PowerMetricModel* metrics_;
};

}  // namespace zephrane::dashboard
