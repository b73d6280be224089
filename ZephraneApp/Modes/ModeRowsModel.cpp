#include "ZephraneApp/Modes/ModeRowsModel.hpp"

#include <algorithm>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Model/ModeSpeedText.hpp"
#include "ZephraneApp/Modes/ModesText.hpp"
#include "ZephraneApp/Modes/ModesWatch.hpp"

namespace zephrane::modes {

using face::qtText;

ModeRowsModel::ModeRowsModel(face::EngineFace& face, const ReferenceFanRangeWatch& range, QObject* parent)
    : RowListModel({"modeId", "name", "symbolName", "isActive", "speedSummary", "sensorLabel", "temperatureText",
                    "temperatureHot", "temperatureCelsius", "accessibleValue", "accessibleDescription", "editLabel",
                    "deleteLabel"},
                   parent),
      face_(face),
      range_(range) {
    const auto again = [this] { refresh(); };
    onAnyChange(face.modes().customModes(), this, again);
    onAnyChange(face.sensors().deviceSensors(), this, again);
    connect(&face.modes(), &face::ModesFace::activeCustomModeIDChanged, this, again);
    connect(&face.sensors(), &face::SensorsFace::temperaturesChanged, this, again);
    connect(&face.preferences(), &face::PreferencesFace::useFahrenheitChanged, this, again);
    connect(&face.preferences(), &face::PreferencesFace::preciseTemperaturesChanged, this, again);
    connect(&range, &ReferenceFanRangeWatch::changed, this, again);
    refresh();
}

QVariant ModeRowsModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const ModeRowView& row = rowAt(index);
    switch (role) {
        case ModeIdRole: return qtText(row.mode.id().uuidString());
        case NameRole: return qtText(row.mode.name());
        case SymbolNameRole: return qtText(row.mode.symbolName());
        case IsActiveRole: return row.active;
        case SpeedSummaryRole: return qtText(row.speedSummary);
        case SensorLabelRole: return qtText(row.sensorLabel);
        case TemperatureTextRole: return qtText(row.temperatureText);
        case TemperatureHotRole: return row.temperatureHot;
        case TemperatureCelsiusRole: return row.temperatureCelsius;
        case AccessibleValueRole: return qtText(row.accessibleValue);
        case AccessibleDescriptionRole:
            return qtText(row.accessibleValue + " " + std::string(modeRowHint(row.active)));
        case EditLabelRole: return qtText(editChipLabel(row.mode.name()));
        case DeleteLabelRole: return qtText(deleteChipLabel(row.mode.name()));
        default: return {};
    }
}

const ModeRowView* ModeRowsModel::row(const Uuid& id) const {
    const auto found = std::ranges::find_if(rows(), [&id](const ModeRowView& r) { return r.mode.id() == id; });
    return found == rows().end() ? nullptr : &*found;
}

ModeRowView ModeRowsModel::viewOf(const CustomMode& mode, bool active,
                                  const std::vector<DeviceSensorReading>& readings) const {
    const auto& prefs = face_.preferences();
    const ModeSensor& sensor = shownSensor(mode);
    const std::optional<double> celsius = face_.sensors().temperature(sensor);
    std::string summary = modeSpeedSummary(mode.speed(), range_.range());
    std::string label = modeSensorLabel(sensor, readings);
    std::string temperature =
        modeTemperatureText(celsius, prefs.useFahrenheitValue(), prefs.preciseTemperaturesValue());
    std::string spoken = modeRowAccessibilityValue(active, summary, label, temperature);
    const bool hot = modeTemperatureIsHot(celsius);
    return ModeRowView{.mode = mode,
                       .active = active,
                       .speedSummary = std::move(summary),
                       .sensorLabel = std::move(label),
                       .temperatureText = std::move(temperature),
                       .temperatureHot = hot,
                       // Only a hot reading is drawn in its colour.
                       .temperatureCelsius = hot ? *celsius : 0.0,
                       .accessibleValue = std::move(spoken)};
}

void ModeRowsModel::refresh() {
    std::vector<DeviceSensorReading> readings;
    readings.reserve(face_.sensors().deviceSensors().rows().size());
    for (const face::DeviceSensorRow& row : face_.sensors().deviceSensors().rows()) readings.push_back(row.reading);
    // A row is active when its mode's id is the engine's active one.
    const std::optional<Uuid>& active = face_.modes().activeCustomModeID();
    std::vector<ModeRowView> views;
    for (const face::CustomModeRow& row : face_.modes().customModes().rows())
        views.push_back(viewOf(row.mode, active == row.mode.id(), readings));

    // The name shows in the chips' labels; whether the row is active, in its
    // spoken description.
    constexpr face::RoleMask nameRoles = face::roleBit(NameRole) | face::roleBit(EditLabelRole) |
                                         face::roleBit(DeleteLabelRole);
    apply(
        views, [](const ModeRowView& v) -> const Uuid& { return v.mode.id(); },
        [](const ModeRowView& v) -> const Uuid& { return v.mode.id(); },
        [](ModeRowView& row, const ModeRowView& next) {
            face::RoleMask changed = 0;
            if (row.mode.name() != next.mode.name()) changed |= nameRoles;
            if (row.mode.symbolName() != next.mode.symbolName()) changed |= face::roleBit(SymbolNameRole);
            row.mode = next.mode;
            if (row.active != next.active) changed |= face::roleBit(AccessibleDescriptionRole);
            face::refreshField(row.active, next.active, IsActiveRole, changed);
            face::refreshField(row.speedSummary, next.speedSummary, SpeedSummaryRole, changed);
            face::refreshField(row.sensorLabel, next.sensorLabel, SensorLabelRole, changed);
            face::refreshField(row.temperatureText, next.temperatureText, TemperatureTextRole, changed);
            face::refreshField(row.temperatureHot, next.temperatureHot, TemperatureHotRole, changed);
            face::refreshField(row.temperatureCelsius, next.temperatureCelsius, TemperatureCelsiusRole, changed);
            if (row.accessibleValue != next.accessibleValue) changed |= face::roleBit(AccessibleDescriptionRole);
            face::refreshField(row.accessibleValue, next.accessibleValue, AccessibleValueRole, changed);
            return changed;
        },
        [](const ModeRowView& v) { return v; });
}

}  // namespace zephrane::modes
