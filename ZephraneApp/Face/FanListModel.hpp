// The fans by index, ascending, each with what the engine holds for it: its
// latest reading, the manual target it was given and its health warning.
#pragma once

#include <map>
#include <optional>

#include "ZephraneApp/Face/RowListModel.hpp"
#include "ZephraneApp/Services/Records/FanHealthMonitor.hpp"
#include "shared/FanModel.hpp"

namespace zephrane::face {

struct FanRow {
    FanStatus fan;
    std::optional<double> manualTarget;  // rpm
    std::optional<FanHealthMonitor::Warning> warning;
};

class FanListModel : public RowListModel<FanRow, int> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role {
        FanIdRole = firstRole,
        CurrentRPMRole,
        MinRPMRole,
        MaxRPMRole,
        TargetRPMRole,
        IsManagedRole,
        CurrentRPMValidRole,
        HasManualTargetRole,
        ManualTargetRole,
        HealthWarningRole,  // "", "stalled" or "underperforming"
    };
    Q_ENUM(Role)

    explicit FanListModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

    void update(const std::map<int, FanStatus>& fans, const std::map<int, double>& manualTargets,
                const std::map<int, FanHealthMonitor::Warning>& warnings);
    // The row of fan `id`; none when there is no such fan.
    const FanRow* fan(int id) const;
};

}  // namespace zephrane::face
