#include "ZephraneApp/Dashboard/Presenters/PowerCardPresenter.hpp"

#include <vector>

#include "ZephraneApp/Dashboard/Presenters/Stored.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/PowerFace.hpp"

namespace zephrane::dashboard {

PowerMetricModel::PowerMetricModel(QObject* parent) : RowListModel({"label", "value", "help"}, parent) {}

QVariant PowerMetricModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const PowerMetric& metric = rowAt(index);
    switch (role) {
        case LabelRole: return QString::fromStdString(metric.label);
        case ValueRole: return QString::fromStdString(metric.value);
        case HelpRole: return QString::fromStdString(metric.help);
        default: return {};
    }
}

void PowerMetricModel::update(std::span<const PowerMetric> metrics) {
    apply(
        metrics, [](const PowerMetric& m) -> const std::string& { return m.label; },
        [](const PowerMetric& row) -> const std::string& { return row.label; },
        [](PowerMetric& row, const PowerMetric& m) {
            face::RoleMask changed = 0;
            face::refreshField(row.value, m.value, ValueRole, changed);
            face::refreshField(row.help, m.help, HelpRole, changed);
            return changed;
        },
        [](const PowerMetric& m) { return m; });
}

PowerCardPresenter::PowerCardPresenter(QObject* parent)
    : FacePresenter(parent), metrics_(new PowerMetricModel(this)) {
    refresh();
}

void PowerCardPresenter::follow(face::EngineFace& face) {
    refreshOn(&face.power(), &face::PowerFace::powerTelemetryChanged);
    refreshOn(&face.power(), &face::PowerFace::systemPowerWattsChanged);
    refreshOn(&face.power(), &face::PowerFace::displayPowerWattsChanged);
    const face::FanListModel* fans = &face.drive().fans();
    refreshOn(fans, &QAbstractItemModel::dataChanged);
    refreshOn(fans, &face::FaceListModel::countChanged);
}

void PowerCardPresenter::refresh() {
    const face::EngineFace* f = face();
    const PowerTelemetry power = f != nullptr ? f->power().telemetry() : PowerTelemetry{};
    std::vector<PowerTelemetry::FanSpeed> fans;
    if (f != nullptr)
        for (const face::FanRow& row : f->drive().fans().rows()) fans.push_back({row.fan.currentRPM, row.fan.maxRPM});
    const std::optional<double> systemWatts = f != nullptr ? f->power().systemPowerWatts() : std::nullopt;
    const double batteryWatts = f != nullptr ? f->power().displayPowerWatts() : 0;
    metrics_->update(powerMetrics(power, systemWatts, batteryWatts, fans));
    Shown next{dashboard::powerSymbol(power), dashboard::chargeText(power), powerSummary(power),
               batteryHealthText(power)};
    if (stored(shown_, std::move(next))) emit changed();
}

}  // namespace zephrane::dashboard
