// One alert rule per sensor category, in the categories' order.
#pragma once

#include <map>

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
};

}  // namespace zephrane::face
