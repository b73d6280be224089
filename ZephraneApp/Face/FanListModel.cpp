#include "ZephraneApp/Face/FanListModel.hpp"

#include <algorithm>

namespace zephrane::face {
namespace {

template <class Value>
std::optional<Value> entry(const std::map<int, Value>& table, int id) {
    const auto found = table.find(id);
    return found == table.end() ? std::nullopt : std::optional<Value>(found->second);
}

}  // namespace

FanListModel::FanListModel(QObject* parent)
    : RowListModel({"fanId", "currentRPM", "minRPM", "maxRPM", "targetRPM", "isManaged", "currentRPMValid",
                    "hasManualTarget", "manualTarget", "healthWarning"},
                   parent) {}

QVariant FanListModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const FanRow& row = rowAt(index);
    switch (role) {
        case FanIdRole: return static_cast<int>(row.fan.id);
        case CurrentRPMRole: return row.fan.currentRPM;
        case MinRPMRole: return row.fan.minRPM;
        case MaxRPMRole: return row.fan.maxRPM;
        case TargetRPMRole: return row.fan.targetRPM;
        case IsManagedRole: return row.fan.isManaged;
        case CurrentRPMValidRole: return row.fan.currentRPMValid;
        case HasManualTargetRole: return row.manualTarget.has_value();
        case ManualTargetRole: return row.manualTarget.value_or(0.0);
        case HealthWarningRole:
            if (!row.warning) return QString();
            return *row.warning == FanHealthMonitor::Warning::stalled ? QStringLiteral("stalled")
                                                                       : QStringLiteral("underperforming");
        default: return {};
    }
}

void FanListModel::update(const std::map<int, FanStatus>& fans, const std::map<int, double>& manualTargets,
                          const std::map<int, FanHealthMonitor::Warning>& warnings) {
    using Entry = std::map<int, FanStatus>::value_type;
    apply(
        fans, [](const Entry& e) { return e.first; }, [](const FanRow& row) { return static_cast<int>(row.fan.id); },
        [&](FanRow& row, const Entry& e) {
            const FanStatus& f = e.second;
            RoleMask changed = 0;
            refreshField(row.fan.currentRPM, f.currentRPM, CurrentRPMRole, changed);
            refreshField(row.fan.minRPM, f.minRPM, MinRPMRole, changed);
            refreshField(row.fan.maxRPM, f.maxRPM, MaxRPMRole, changed);
            refreshField(row.fan.targetRPM, f.targetRPM, TargetRPMRole, changed);
            refreshField(row.fan.isManaged, f.isManaged, IsManagedRole, changed);
            refreshField(row.fan.currentRPMValid, f.currentRPMValid, CurrentRPMValidRole, changed);
            const std::optional<double> target = entry(manualTargets, e.first);
            if (row.manualTarget != target) {
                row.manualTarget = target;
                changed |= roleBit(HasManualTargetRole) | roleBit(ManualTargetRole);
            }
            refreshField(row.warning, entry(warnings, e.first), HealthWarningRole, changed);
            return changed;
        },
        [&](const Entry& e) { return FanRow{e.second, entry(manualTargets, e.first), entry(warnings, e.first)}; });
}

const FanRow* FanListModel::fan(int id) const {
    const auto& all = rows();
    const auto found = std::find_if(all.begin(), all.end(), [id](const FanRow& row) { return row.fan.id == id; });
    return found == all.end() ? nullptr : &*found;
}

}  // namespace zephrane::face
