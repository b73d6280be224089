// The sensor list's rows: the face's list of every discovered sensor,
// filtered by the search and grouped (the pinned ones first, then one group
// per class), as a list model of its own over the face's.
//
// A poll that only changes values is passed on as dataChanged for the rows
// that show those values, nothing more. The rows are regrouped only when
// the set of keys, the pins or the query change (or a sensor's name or
// class, which decide its place); a regrouping moves, inserts and removes
// exactly the rows that changed place, never resets. While inactive (the
// list shows the device readings instead) the model holds no rows and does
// no grouping at all.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <QString>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Dashboard/Rules/SensorGrouping.hpp"
#include "ZephraneApp/Face/RowListModel.hpp"

namespace zephrane::face {
class SensorListModel;
}

namespace zephrane::dashboard {

struct GroupedSensor {
    std::string key;
    int source = 0;  // the sensor's row in the face's list
    SensorGroupKind group = SensorGroupKind::temperature;
};

class SensorGroupModel : public face::RowListModel<GroupedSensor, std::string> {
    Q_OBJECT
    QML_ANONYMOUS
    // The heading's count of each group, by title: "12".
    Q_PROPERTY(QVariantMap groupCounts READ groupCounts NOTIFY groupsChanged)

public:
    enum Role {
        KeyRole = firstRole,
        NameRole,
        GroupTitleRole,
        SymbolRole,
        ValueTextRole,
        ValueIsHotRole,
        ValueCelsiusRole,
        PinnedRole,
        PinSymbolRole,
        PinLabelRole,
        PinMenuTextRole,
        SpokenTextRole,
    };
    Q_ENUM(Role)

    explicit SensorGroupModel(QObject* parent = nullptr);

    // The face's list of every sensor; none (no rows) until it is set.
    void setSource(const face::SensorListModel* source);

    QVariant data(const QModelIndex& index, int role) const override;

    void setActive(bool active);
    bool active() const { return active_; }
    void setQuery(const QString& query);
    void setPinnedKeys(const std::set<std::string>& keys);
    void setUnits(bool fahrenheit, bool precise);

    // The sensors listed in all groups.
    std::size_t shownCount() const { return rows().size(); }
    QVariantMap groupCounts() const;
    // How often the rows were regrouped (for tests and benchmarks).
    long long regroupings() const { return regroupings_; }

signals:
    void groupsChanged();

private:
    void regroup();
    void sourceChanged(int first, int last, const QList<int>& roles);

    const face::SensorListModel* source_ = nullptr;
    std::vector<QMetaObject::Connection> sourceConnections_;
    bool active_ = false;
    QString query_;  // trimmed and lower-cased
    std::set<std::string> pinnedKeys_;
    bool fahrenheit_ = false;
    bool precise_ = true;
    std::vector<int> shownAt_;  // by source row: its row here, -1 when not listed
    std::map<SensorGroupKind, int> counts_;
    long long regroupings_ = 0;
};

}  // namespace zephrane::dashboard
