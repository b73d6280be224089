#include "ZephraneApp/Dashboard/Presenters/SensorGroupModel.hpp"

#include <algorithm>

#include "ZephraneApp/Dashboard/Rules/SensorText.hpp"
#include "ZephraneApp/Face/SensorListModel.hpp"

namespace zephrane::dashboard {
namespace {

using Source = face::SensorListModel;

constexpr face::RoleMask kEveryRole = face::roleBit(SensorGroupModel::SpokenTextRole + 1) - 1;

QString text(const std::string& s) { return QString::fromStdString(s); }

// The rows' roles that show what a role of the face's list carries.
face::RoleMask shownBy(const QList<int>& sourceRoles) {
    face::RoleMask shown = 0;
    const auto bits = [](std::initializer_list<int> roles) {
        face::RoleMask mask = 0;
        for (int role : roles) mask |= face::roleBit(role);
        return mask;
    };
    using M = SensorGroupModel;
    for (int role : sourceRoles) {
        switch (role) {
            case Source::ValueRole:
                shown |= bits({M::ValueTextRole, M::ValueIsHotRole, M::ValueCelsiusRole, M::SpokenTextRole});
                break;
            case Source::NameRole: shown |= bits({M::NameRole, M::PinLabelRole, M::SpokenTextRole}); break;
            case Source::CategoryRole: shown |= bits({M::SymbolRole}); break;
            case Source::SensorClassRole:
                shown |= bits({M::SymbolRole, M::ValueTextRole, M::ValueIsHotRole, M::SpokenTextRole});
                break;
            default: break;  // the unit is not shown; pins come from the face's set
        }
    }
    return shown;
}

}  // namespace

SensorGroupModel::SensorGroupModel(QObject* parent)
    : RowListModel({"key", "name", "groupTitle", "symbol", "valueText", "valueIsHot", "valueCelsius", "pinned",
                    "pinSymbol", "pinLabel", "pinMenuText", "spokenText"},
                   parent) {}

void SensorGroupModel::setSource(const face::SensorListModel* source) {
    if (source == source_) return;
    for (const QMetaObject::Connection& connection : sourceConnections_) disconnect(connection);
    sourceConnections_.clear();
    source_ = source;
    if (source_ != nullptr) {
        sourceConnections_.push_back(
            connect(source_, &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex& top, const QModelIndex& bottom, const QList<int>& roles) {
                        sourceChanged(top.row(), bottom.row(), roles);
                    }));
        for (auto structural : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            sourceConnections_.push_back(connect(source_, structural, this, &SensorGroupModel::regroup));
        sourceConnections_.push_back(connect(source_, &QAbstractItemModel::rowsMoved, this, &SensorGroupModel::regroup));
        sourceConnections_.push_back(connect(source_, &QAbstractItemModel::modelReset, this, &SensorGroupModel::regroup));
        sourceConnections_.push_back(
            connect(source_, &QAbstractItemModel::layoutChanged, this, &SensorGroupModel::regroup));
        sourceConnections_.push_back(connect(source_, &QObject::destroyed, this, [this] {
            sourceConnections_.clear();
            source_ = nullptr;
            regroup();
        }));
    }
    regroup();
}

QVariant SensorGroupModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const GroupedSensor& row = rowAt(index);
    const SMCSensor& sensor = source_->rows()[static_cast<std::size_t>(row.source)].sensor;
    const bool pinned = pinnedKeys_.contains(sensor.key);
    switch (role) {
        case KeyRole: return text(sensor.key);
        case NameRole: return text(sensor.name);
        case GroupTitleRole: return text(groupTitle(row.group));
        case SymbolRole: return text(sensorSymbolName(sensor));
        case ValueTextRole: return text(sensorValueText(sensor, fahrenheit_, precise_));
        case ValueIsHotRole: return sensorValueIsHot(sensor);
        case ValueCelsiusRole: return sensor.currentTemp;
        case PinnedRole: return pinned;
        case PinSymbolRole: return text(pinSymbol(pinned));
        case PinLabelRole: return text(pinLabel(pinned, sensor.name));
        case PinMenuTextRole: return text(pinMenuText(pinned));
        case SpokenTextRole: return text(sensorSpokenText(sensor, fahrenheit_, precise_, pinned));
        default: return {};
    }
}

void SensorGroupModel::setActive(bool active) {
    if (active_ == active) return;
    active_ = active;
    regroup();
}

void SensorGroupModel::setQuery(const QString& query) {
    const QString normalized = query.trimmed().toLower();
    if (normalized == query_) return;
    query_ = normalized;
    regroup();
}

void SensorGroupModel::setPinnedKeys(const std::set<std::string>& keys) {
    if (keys == pinnedKeys_) return;
    pinnedKeys_ = keys;
    regroup();
}

void SensorGroupModel::setUnits(bool fahrenheit, bool precise) {
    if (fahrenheit == fahrenheit_ && precise == precise_) return;
    fahrenheit_ = fahrenheit;
    precise_ = precise;
    if (!rows().empty())
        notifyChanged(0, static_cast<int>(rows().size()) - 1,
                      face::roleBit(ValueTextRole) | face::roleBit(SpokenTextRole));
}

QVariantMap SensorGroupModel::groupCounts() const {
    QVariantMap counts;
    for (const auto& [kind, count] : counts_) counts.insert(text(groupTitle(kind)), QString::number(count));
    return counts;
}

void SensorGroupModel::regroup() {
    static const std::vector<face::SensorRow> none;
    const auto& sensors = source_ != nullptr ? source_->rows() : none;
    std::vector<GroupedSensor> listed;
    std::map<SensorGroupKind, int> counts;
    if (active_ && source_ != nullptr) {
        ++regroupings_;
        const auto groups = sensorGroups(
            sensors.size(), [&sensors](std::size_t i) -> const SMCSensor& { return sensors[i].sensor; }, pinnedKeys_,
            query_);
        for (const SensorGroup& group : groups) {
            counts[group.kind] = static_cast<int>(group.members.size());
            for (std::size_t i : group.members)
                listed.push_back({sensors[i].sensor.key, static_cast<int>(i), group.kind});
        }
    }
    apply(
        listed, [](const GroupedSensor& g) -> const std::string& { return g.key; },
        [](const GroupedSensor& row) -> const std::string& { return row.key; },
        [](GroupedSensor& row, const GroupedSensor& g) {
            face::RoleMask changed = 0;
            row.source = g.source;
            face::refreshField(row.group, g.group, GroupTitleRole, changed);
            // A pin or its undoing moves the row between groups: its pin
            // control and spoken text change with it.
            if (changed != 0)
                changed |= face::roleBit(PinnedRole) | face::roleBit(PinSymbolRole) | face::roleBit(PinLabelRole) |
                           face::roleBit(PinMenuTextRole) | face::roleBit(SpokenTextRole);
            return changed;
        },
        [](const GroupedSensor& g) { return g; });
    shownAt_.assign(sensors.size(), -1);
    for (std::size_t i = 0; i < rows().size(); ++i) shownAt_[static_cast<std::size_t>(rows()[i].source)] = static_cast<int>(i);
    if (counts != counts_) {
        counts_ = std::move(counts);
        emit groupsChanged();
    }
}

void SensorGroupModel::sourceChanged(int first, int last, const QList<int>& roles) {
    // A name or a class decides a sensor's place.
    if (roles.isEmpty() || roles.contains(Source::NameRole) || roles.contains(Source::SensorClassRole)) regroup();
    const face::RoleMask shown = roles.isEmpty() ? kEveryRole : shownBy(roles);
    if (shown == 0 || rows().empty()) return;
    // The listed rows among first...last, in runs of neighbours here.
    std::vector<int> at;
    for (int source = first; source <= last && source < static_cast<int>(shownAt_.size()); ++source)
        if (shownAt_[static_cast<std::size_t>(source)] >= 0) at.push_back(shownAt_[static_cast<std::size_t>(source)]);
    std::sort(at.begin(), at.end());
    for (std::size_t i = 0; i < at.size();) {
        std::size_t end = i + 1;
        while (end < at.size() && at[end] == at[end - 1] + 1) ++end;
        notifyChanged(at[i], at[end - 1], shown);
        i = end;
    }
}

}  // namespace zephrane::dashboard
