// The fixed list of device-level readings (CPU clusters, GPU, memory,
// battery...) in display order, each with its recent history for the row's
// graph.
#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

#include "ZephraneApp/Face/RowListModel.hpp"
#include "shared/DeviceSensorMap.hpp"

namespace zephrane::face {

struct DeviceSensorRow {
    DeviceSensorReading reading;
    std::vector<double> history;  // °C, oldest first
};

class DeviceSensorModel : public RowListModel<DeviceSensorRow, std::string> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role { IdRole = firstRole, NameRole, SymbolRole, ValueRole, HasValueRole, HistoryRole };
    Q_ENUM(Role)

    explicit DeviceSensorModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

    using History = std::map<std::string, std::vector<double>>;  // by reading id
    void update(std::span<const DeviceSensorReading> readings, const History& history);
};

}  // namespace zephrane::face
