// The latest load figures (overall, CPU, GPU, memory, swap, disk) in the
// sampler's order.
#pragma once

#include <span>

#include "ZephraneApp/Face/RowListModel.hpp"
#include "ZephraneApp/Services/Monitors/SystemLoadSampler.hpp"

namespace zephrane::face {

class SystemLoadModel : public RowListModel<SystemLoad, SystemLoad::Component> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role { ComponentRole = firstRole, FractionRole, DetailRole };
    Q_ENUM(Role)

    explicit SystemLoadModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

    void update(std::span<const SystemLoad> loads);
};

}  // namespace zephrane::face
