#include "ZephraneApp/Face/CustomModeModel.hpp"

#include <algorithm>

#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {
namespace {

QString sensorText(const ModeSensor& sensor) {
    if (const auto source = sensor.controlSource()) return qtText(rawValue(*source));
    return qtText(sensor.sensorId().value_or(std::string()));
}

}  // namespace

CustomModeModel::CustomModeModel(QObject* parent)
    : RowListModel({"modeId", "name", "symbolName", "speedKind", "speedPercentage", "controlSensor", "displaySensor",
                    "drivesMainReadout", "active"},
                   parent) {}

QVariant CustomModeModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const CustomModeRow& row = rowAt(index);
    const CustomMode& mode = row.mode;
    switch (role) {
        case ModeIdRole: return qtText(mode.id().uuidString());
        case NameRole: return qtText(mode.name());
        case SymbolNameRole: return qtText(mode.symbolName());
        case SpeedKindRole:
            return mode.speed().kind() == ModeSpeed::Case::floor ? QStringLiteral("floor") : QStringLiteral("fixed");
        case SpeedPercentageRole: return mode.speed().percentage();
        case ControlSensorRole: return sensorText(mode.controlSensor());
        case DisplaySensorRole: return mode.displaySensor() ? sensorText(*mode.displaySensor()) : QString();
        case DrivesMainReadoutRole: return mode.drivesMainReadout();
        case ActiveRole: return row.active;
        default: return {};
    }
}

void CustomModeModel::update(std::span<const CustomMode> modes, const std::optional<Uuid>& activeID) {
    apply(
        modes, [](const CustomMode& m) -> const Uuid& { return m.id(); },
        [](const CustomModeRow& row) -> const Uuid& { return row.mode.id(); },
        [&activeID](CustomModeRow& row, const CustomMode& m) {
            RoleMask changed = 0;
            if (!(row.mode == m)) {
                const CustomMode& was = row.mode;
                if (was.name() != m.name()) changed |= roleBit(NameRole);
                if (was.symbolName() != m.symbolName()) changed |= roleBit(SymbolNameRole);
                if (was.speed().kind() != m.speed().kind()) changed |= roleBit(SpeedKindRole);
                if (was.speed().percentage() != m.speed().percentage()) changed |= roleBit(SpeedPercentageRole);
                if (!(was.controlSensor() == m.controlSensor())) changed |= roleBit(ControlSensorRole);
                if (!(was.displaySensor() == m.displaySensor())) changed |= roleBit(DisplaySensorRole);
                if (was.drivesMainReadout() != m.drivesMainReadout()) changed |= roleBit(DrivesMainReadoutRole);
                row.mode = m;
            }
            refreshField(row.active, activeID == m.id(), ActiveRole, changed);
            return changed;
        },
        [&activeID](const CustomMode& m) { return CustomModeRow{m, activeID == m.id()}; });
}

const CustomMode* CustomModeModel::mode(const Uuid& id) const {
    const auto& all = rows();
    const auto found = std::find_if(all.begin(), all.end(), [&id](const CustomModeRow& row) { return row.mode.id() == id; });
    return found == all.end() ? nullptr : &found->mode;
}

}  // namespace zephrane::face
