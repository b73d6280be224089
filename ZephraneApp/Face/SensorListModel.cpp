#include "ZephraneApp/Face/SensorListModel.hpp"

#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {

SensorListModel::SensorListModel(QObject* parent)
    : RowListModel({"key", "name", "category", "categoryName", "sensorClass", "unit", "value", "pinned"}, parent) {}

QVariant SensorListModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const SensorRow& row = rowAt(index);
    switch (role) {
        case KeyRole: return qtText(row.sensor.key);
        case NameRole: return qtText(row.sensor.name);
        case CategoryRole: return qtText(rawValue(row.sensor.category));
        case CategoryNameRole: return qtText(displayName(row.sensor.category));
        case SensorClassRole: return qtText(rawValue(row.sensor.sensorClass));
        case UnitRole: return qtText(row.sensor.unit);
        case ValueRole: return row.sensor.currentTemp;
        case PinnedRole: return row.pinned;
        default: return {};
    }
}

void SensorListModel::update(std::span<const SMCSensor> sensors, const std::set<std::string>& pinnedKeys) {
    apply(
        sensors, [](const SMCSensor& s) -> const std::string& { return s.key; },
        [](const SensorRow& r) -> const std::string& { return r.sensor.key; },
        [&pinnedKeys](SensorRow& row, const SMCSensor& s) {
            RoleMask changed = 0;
            if (row.sensor.id != s.id) row.sensor.id = s.id;  // shown by no role
            refreshField(row.sensor.name, s.name, NameRole, changed);
            refreshField(row.sensor.category, s.category, CategoryRole, changed);
            if ((changed & roleBit(CategoryRole)) != 0) changed |= roleBit(CategoryNameRole);
            refreshField(row.sensor.sensorClass, s.sensorClass, SensorClassRole, changed);
            refreshField(row.sensor.unit, s.unit, UnitRole, changed);
            refreshField(row.sensor.currentTemp, s.currentTemp, ValueRole, changed);
            refreshField(row.pinned, pinnedKeys.contains(s.key), PinnedRole, changed);
            return changed;
        },
        [&pinnedKeys](const SMCSensor& s) { return SensorRow{s, pinnedKeys.contains(s.key)}; });
}

}  // namespace zephrane::face
