#include "ZephraneApp/Face/AlertRuleModel.hpp"

#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {

AlertRuleModel::AlertRuleModel(QObject* parent)
    : RowListModel({"category", "categoryName", "enabled", "thresholdCelsius", "autoBoost"}, parent) {}

QVariant AlertRuleModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const AlertRuleRow& row = rowAt(index);
    switch (role) {
        case CategoryRole: return qtText(rawValue(row.category));
        case CategoryNameRole: return qtText(displayName(row.category));
        case EnabledRole: return row.rule.enabled;
        case ThresholdCelsiusRole: return row.rule.thresholdCelsius;
        case AutoBoostRole: return row.rule.autoBoost;
        default: return {};
    }
}

std::optional<AlertRule> AlertRuleModel::rule(SensorCategory category) const {
    for (const AlertRuleRow& row : rows())
        if (row.category == category) return row.rule;
    return std::nullopt;
}

void AlertRuleModel::update(const std::map<SensorCategory, AlertRule>& rules) {
    using Entry = std::map<SensorCategory, AlertRule>::value_type;
    apply(
        rules, [](const Entry& e) { return e.first; }, [](const AlertRuleRow& row) { return row.category; },
        [](AlertRuleRow& row, const Entry& e) {
            RoleMask changed = 0;
            refreshField(row.rule.enabled, e.second.enabled, EnabledRole, changed);
            refreshField(row.rule.thresholdCelsius, e.second.thresholdCelsius, ThresholdCelsiusRole, changed);
            refreshField(row.rule.autoBoost, e.second.autoBoost, AutoBoostRole, changed);
            return changed;
        },
        [](const Entry& e) { return AlertRuleRow{e.first, e.second}; });
}

}  // namespace zephrane::face
