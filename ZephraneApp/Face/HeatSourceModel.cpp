#include "ZephraneApp/Face/HeatSourceModel.hpp"

#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {

HeatSourceModel::HeatSourceModel(QObject* parent) : RowListModel({"name", "cpuShare", "cpuSeconds", "pid"}, parent) {}

QVariant HeatSourceModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const HeatSource& row = rowAt(index);
    switch (role) {
        case NameRole: return qtText(row.name);
        case CpuShareRole: return row.cpuShare;
        case CpuSecondsRole: return row.cpuSeconds;
        case PidRole: return static_cast<int>(row.pid);
        default: return {};
    }
}

void HeatSourceModel::update(std::span<const HeatSource> sources) {
    apply(
        sources, [](const HeatSource& s) -> const std::string& { return s.name; },
        [](const HeatSource& row) -> const std::string& { return row.name; },
        [](HeatSource& row, const HeatSource& s) {
            RoleMask changed = 0;
            refreshField(row.cpuShare, s.cpuShare, CpuShareRole, changed);
            refreshField(row.cpuSeconds, s.cpuSeconds, CpuSecondsRole, changed);
            refreshField(row.pid, s.pid, PidRole, changed);
            return changed;
        },
        [](const HeatSource& s) { return s; });
}

}  // namespace zephrane::face
