#include "ZephraneApp/Face/DeviceSensorModel.hpp"

#include <QVariantList>

#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {
namespace {

const std::vector<double>& historyOf(const DeviceSensorModel::History& history, const std::string& id) {
    static const std::vector<double> none;
    const auto found = history.find(id);
    return found == history.end() ? none : found->second;
}

}  // namespace

DeviceSensorModel::DeviceSensorModel(QObject* parent)
    : RowListModel({"readingId", "name", "symbol", "value", "hasValue", "history"}, parent) {}

QVariant DeviceSensorModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const DeviceSensorRow& row = rowAt(index);
    switch (role) {
        case IdRole: return qtText(row.reading.id);
        case NameRole: return qtText(row.reading.name);
        case SymbolRole: return qtText(row.reading.symbol);
        case ValueRole: return row.reading.value.value_or(0.0);
        case HasValueRole: return row.reading.value.has_value();
        case HistoryRole: return QVariant::fromValue(QList<double>(row.history.begin(), row.history.end()));
        default: return {};
    }
}

void DeviceSensorModel::update(std::span<const DeviceSensorReading> readings, const History& history) {
    apply(
        readings, [](const DeviceSensorReading& r) -> const std::string& { return r.id; },
        [](const DeviceSensorRow& row) -> const std::string& { return row.reading.id; },
        [&history](DeviceSensorRow& row, const DeviceSensorReading& r) {
            RoleMask changed = 0;
            refreshField(row.reading.name, r.name, NameRole, changed);
            refreshField(row.reading.symbol, r.symbol, SymbolRole, changed);
            if (row.reading.value != r.value) {
                changed |= roleBit(HasValueRole) | roleBit(ValueRole);
                row.reading.value = r.value;
            }
            // assign() keeps the vector's storage: a full history of the same
            // length allocates nothing.
            const std::vector<double>& next = historyOf(history, r.id);
            if (row.history != next) {
                row.history.assign(next.begin(), next.end());
                changed |= roleBit(HistoryRole);
            }
            return changed;
        },
        [&history](const DeviceSensorReading& r) { return DeviceSensorRow{r, historyOf(history, r.id)}; });
}

}  // namespace zephrane::face
