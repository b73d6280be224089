// Every sensor SMC discovery returned, with its latest value and whether
// the user pinned it, in the order the poller delivers them. The sensor
// list groups and filters it through a proxy of its own.
#pragma once

#include <set>
#include <span>
#include <string>

#include "ZephraneApp/Face/RowListModel.hpp"
#include "shared/SensorModel.hpp"

namespace zephrane::face {

struct SensorRow {
    SMCSensor sensor;
    bool pinned = false;
};

class SensorListModel : public RowListModel<SensorRow, std::string> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role { KeyRole = firstRole, NameRole, CategoryRole, CategoryNameRole, SensorClassRole, UnitRole, ValueRole,
                PinnedRole };
    Q_ENUM(Role)

    explicit SensorListModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

    void update(std::span<const SMCSensor> sensors, const std::set<std::string>& pinnedKeys);
};

}  // namespace zephrane::face
