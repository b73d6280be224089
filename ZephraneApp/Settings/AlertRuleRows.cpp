#include "ZephraneApp/Settings/AlertRuleRows.hpp"

#include <cmath>
#include <map>

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Settings/SettingsRowRules.hpp"
#include "shared/EnumCases.hpp"

namespace zephrane::settingsview {
namespace {

SensorCategory categoryAt(int row) { return allCases<SensorCategory>()[static_cast<std::size_t>(row)]; }

QString qtText(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

AlertRuleRows::AlertRuleRows(QObject* parent) : QAbstractListModel(parent) {
    static_assert(std::tuple_size_v<decltype(shown_)> == allCases<SensorCategory>().size());
    for (int row = 0; row < rowCount(); ++row) shown_[static_cast<std::size_t>(row)] = shown(categoryAt(row));
}

void AlertRuleRows::setFace(face::EngineFace* face) {
    if (face_ == face) return;
    if (face_) {
        disconnect(&face_->alerts().alertRules(), nullptr, this, nullptr);
        disconnect(&face_->preferences(), nullptr, this, nullptr);
    }
    face_ = face;
    if (face_) {
        face::AlertRuleModel& rules = face_->alerts().alertRules();
        // The face's model moves rows in place; any change of it is read
        // whole, six rules at most.
        connect(&rules, &QAbstractItemModel::dataChanged, this, &AlertRuleRows::refresh);
        connect(&rules, &QAbstractItemModel::rowsInserted, this, &AlertRuleRows::refresh);
        connect(&rules, &QAbstractItemModel::rowsRemoved, this, &AlertRuleRows::refresh);
        connect(&rules, &QAbstractItemModel::rowsMoved, this, &AlertRuleRows::refresh);
        connect(&rules, &QAbstractItemModel::modelReset, this, &AlertRuleRows::refresh);
        connect(&face_->preferences(), &face::PreferencesFace::useFahrenheitChanged, this, &AlertRuleRows::refresh);
    }
    refresh();
    emit faceChanged();
}

int AlertRuleRows::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(allCases<SensorCategory>().size());
}

QHash<int, QByteArray> AlertRuleRows::roleNames() const {
    return {{NameRole, "name"},
            {SummaryRole, "summary"},
            {EnabledRole, "ruleEnabled"},
            {ThresholdCelsiusRole, "thresholdCelsius"},
            {ThresholdTextRole, "thresholdText"},
            {ThresholdLabelRole, "thresholdLabel"},
            {AutoBoostRole, "autoBoost"},
            {ExpandedRole, "expanded"}};
}

QVariant AlertRuleRows::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !valid(index.row())) return {};
    const SensorCategory category = categoryAt(index.row());
    const Shown& s = shown_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case NameRole: return qtText(std::string(displayName(category)));
        case SummaryRole: return qtText(ruleSummaryText(s.rule, s.fahrenheit));
        case EnabledRole: return s.rule.enabled;
        case ThresholdCelsiusRole: return s.rule.thresholdCelsius;
        case ThresholdTextRole: return qtText(thresholdText(s.rule.thresholdCelsius, s.fahrenheit));
        case ThresholdLabelRole: return qtText(ruleThresholdLabel(category));
        case AutoBoostRole: return s.rule.autoBoost;
        case ExpandedRole: return s.expanded;
        default: return {};
    }
}

AlertRule AlertRuleRows::rule(SensorCategory category) const {
    std::map<SensorCategory, AlertRule> stored;
    if (face_) {
        for (const face::AlertRuleRow& row : face_->alerts().alertRules().rows()) stored[row.category] = row.rule;
    }
    return ruleOf(category, stored, face::AlertsFace::defaultAlertRules());
}

AlertRuleRows::Shown AlertRuleRows::shown(SensorCategory category) const {
    return {rule(category), face_ && face_->preferences().useFahrenheitValue(), expanded_.contains(category)};
}

void AlertRuleRows::refresh() {
    for (int row = 0; row < rowCount(); ++row) {
        Shown now = shown(categoryAt(row));
        Shown& was = shown_[static_cast<std::size_t>(row)];
        if (now == was) continue;
        was = now;
        emit dataChanged(index(row), index(row));
    }
}

bool AlertRuleRows::valid(int row) const { return row >= 0 && row < rowCount(); }

void AlertRuleRows::setEnabled(int row, bool enabled) {
    if (valid(row) && face_) face_->alerts().setAlertRule(categoryAt(row), enabled, std::nullopt, std::nullopt);
}

void AlertRuleRows::setThreshold(int row, double celsius) {
    // The slider moves in whole degrees Celsius, whatever unit it shows.
    if (valid(row) && face_ && std::isfinite(celsius))
        face_->alerts().setAlertRule(categoryAt(row), std::nullopt, std::round(celsius), std::nullopt);
}

void AlertRuleRows::setAutoBoost(int row, bool autoBoost) {
    if (valid(row) && face_) face_->alerts().setAlertRule(categoryAt(row), std::nullopt, std::nullopt, autoBoost);
}

void AlertRuleRows::setExpanded(int row, bool expanded) {
    if (!valid(row)) return;
    if (expanded)
        expanded_.insert(categoryAt(row));
    else
        expanded_.erase(categoryAt(row));
    refresh();
}

}  // namespace zephrane::settingsview
