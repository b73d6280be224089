// Applications ranked by the CPU time they took, as the engine orders them:
// one model for the live shares, one for today's totals.
#pragma once

#include <span>
#include <string>

#include "ZephraneApp/Face/RowListModel.hpp"
#include "ZephraneApp/Services/Records/HeatAttributionSampler.hpp"

namespace zephrane::face {

class HeatSourceModel : public RowListModel<HeatSource, std::string> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role { NameRole = firstRole, CpuShareRole, CpuSecondsRole, PidRole };
    Q_ENUM(Role)

    explicit HeatSourceModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

    void update(std::span<const HeatSource> sources);
};

}  // namespace zephrane::face
