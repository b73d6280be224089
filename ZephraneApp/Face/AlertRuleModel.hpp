// One alert rule per sensor category, in the categories' order.
#pragma once

#include <map>
#include <optional>

#include "ZephraneApp/Face/RowListModel.hpp"
#include "shared/SensorModel.hpp"

namespace zephrane::face {

struct AlertRuleRow {
    SensorCategory category;
    AlertRule rule;
};

class AlertRuleModel : public RowListModel<AlertRuleRow, SensorCategory> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role { CategoryRole = firstRole, CategoryNameRole, EnabledRole, ThresholdCelsiusRole, AutoBoostRole };
    Q_ENUM(Role)

    explicit AlertRuleModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

    void update(const std::map<SensorCategory, AlertRule>& rules);
    // The category's rule as the engine stores it; none when it stores none.
    std::optional<AlertRule> rule(SensorCategory category) const;
};

}  // namespace zephrane::face
