// The list models of the face keep their rows as the engine's own values and
// bring them up to date in place: a poll that changes values sends only
// dataChanged, for the roles that changed; a row whose identity is new is
// inserted, one that is gone removed, one that moved moved. A view over the
// model keeps its scroll position, its focus and its expanded row, because
// no ordinary update ever resets it.
//
// A poll that leaves every identity where it was (the usual case) costs one
// comparison per row and allocates nothing for a row that did not change.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <ranges>
#include <set>
#include <utility>
#include <vector>

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QtQml/qqmlregistration.h>

namespace zephrane::face {

// Bit i stands for a model's i-th role (FaceListModel::firstRole + i).
using RoleMask = std::uint32_t;

// What every list model of the face shares: its row count as a property,
// its role names, and dataChanged by role mask.
class FaceListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    static constexpr int firstRole = Qt::UserRole + 1;

    int count() const { return rowCount(); }
    QHash<int, QByteArray> roleNames() const override { return roleNames_; }
    // The role of a name, for views and tests that ask by name; -1 for none.
    Q_INVOKABLE int role(const QByteArray& name) const;

signals:
    void countChanged();

protected:
    // `names` in role order: the first is firstRole.
    FaceListModel(std::initializer_list<const char*> names, QObject* parent);

    void notifyChanged(int first, int last, RoleMask roles);

private:
    QHash<int, QByteArray> roleNames_;
    // One role list per mask sent, so a poll builds none.
    mutable std::map<RoleMask, QList<int>> roleLists_;
};

// The bit of a model's role (a value from firstRole on).
constexpr RoleMask roleBit(int role) { return RoleMask{1} << (role - FaceListModel::firstRole); }

// For a row's refresh: takes `value` when it differs and marks the role.
template <class T, class U>
void refreshField(T& member, const U& value, int role, RoleMask& changed) {
    if (member == value) return;
    member = value;
    changed |= roleBit(role);
}

// For a reshape: which of the rows `have` (in their present order) can stay
// where they are, by their rank in `order` (the same rows in the wanted
// order): the longest run of them already in the wanted order.
template <class Identity>
std::vector<bool> inLongestOrderedRun(const std::vector<Identity>& have, const std::vector<Identity>& order) {
    std::map<Identity, int> rankOf;
    for (std::size_t i = 0; i < order.size(); ++i) rankOf.emplace(order[i], static_cast<int>(i));
    // Patience sorting: tails[k] ends the best run of length k + 1 found so far.
    std::vector<int> ranks;
    for (const Identity& id : have) ranks.push_back(rankOf.at(id));
    std::vector<int> tails;      // positions in `ranks`
    std::vector<int> previous(ranks.size(), -1);
    for (int i = 0; i < static_cast<int>(ranks.size()); ++i) {
        const auto place = std::lower_bound(tails.begin(), tails.end(), ranks[static_cast<std::size_t>(i)],
                                            [&ranks](int tail, int rank) { return ranks[static_cast<std::size_t>(tail)] < rank; });
        if (place != tails.begin()) previous[static_cast<std::size_t>(i)] = *(place - 1);
        if (place == tails.end()) tails.push_back(i);
        else *place = i;
    }
    std::vector<bool> stays(order.size(), false);
    for (int i = tails.empty() ? -1 : tails.back(); i >= 0; i = previous[static_cast<std::size_t>(i)])
        stays[static_cast<std::size_t>(ranks[static_cast<std::size_t>(i)])] = true;
    return stays;
}

// A model over rows of type Row, each with a key that is its identity (a
// sensor's SMC key, a fan's index, a mode's id); Key owns a copy of one
// (std::string for a key read as a string view). Keys need not be unique:
// the n-th row of a key matches the n-th source of that key.
template <class Row, class Key>
class RowListModel : public FaceListModel {
public:
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    const std::vector<Row>& rows() const { return rows_; }

protected:
    using FaceListModel::FaceListModel;

    // Brings the rows to `sources`, in their order. `keyOf(source)` gives a
    // source's key and `rowKey(row)` a row's; `refresh(row, source)` brings a
    // kept row up to date and returns the roles it changed; `make(source)`
    // builds a new row.
    template <class Sources, class SourceKey, class RowKey, class Refresh, class Make>
    void apply(const Sources& sources, SourceKey keyOf, RowKey rowKey, Refresh refresh, Make make);

    const Row& rowAt(const QModelIndex& index) const { return rows_[static_cast<std::size_t>(index.row())]; }
    bool holds(const QModelIndex& index) const {
        return index.isValid() && index.row() >= 0 && static_cast<std::size_t>(index.row()) < rows_.size();
    }

private:
    template <class Sources, class SourceKey, class RowKey, class Make>
    void reshape(const Sources& sources, SourceKey& keyOf, RowKey& rowKey, Make& make);

    std::vector<Row> rows_;
};

template <class Row, class Key>
template <class Sources, class SourceKey, class RowKey, class Refresh, class Make>
void RowListModel<Row, Key>::apply(const Sources& sources, SourceKey keyOf, RowKey rowKey, Refresh refresh, Make make) {
    bool sameKeys = static_cast<std::size_t>(std::size(sources)) == rows_.size();
    if (sameKeys) {
        std::size_t i = 0;
        for (const auto& source : sources) {
            if (!(keyOf(source) == rowKey(rows_[i++]))) {
                sameKeys = false;
                break;
            }
        }
    }
    if (!sameKeys) reshape(sources, keyOf, rowKey, make);

    // Rows now match the sources one for one; runs of neighbours that
    // changed the same roles go out as one signal.
    int runStart = -1;
    RoleMask runMask = 0;
    int i = 0;
    for (const auto& source : sources) {
        const RoleMask mask = refresh(rows_[static_cast<std::size_t>(i)], source);
        if (mask != runMask) {
            if (runMask != 0) notifyChanged(runStart, i - 1, runMask);
            runStart = i;
            runMask = mask;
        }
        ++i;
    }
    if (runMask != 0) notifyChanged(runStart, i - 1, runMask);
}

template <class Row, class Key>
template <class Sources, class SourceKey, class RowKey, class Make>
void RowListModel<Row, Key>::reshape(const Sources& sources, SourceKey& keyOf, RowKey& rowKey, Make& make) {
    using Identity = std::pair<Key, int>;  // key, occurrence
    std::vector<const std::ranges::range_value_t<Sources>*> wanted;
    std::vector<Identity> wantedIds;
    std::map<Identity, std::size_t> wantedAt;
    {
        std::map<Key, int> seen;
        for (const auto& source : sources) {
            const Key key(keyOf(source));
            const Identity id{key, seen[key]++};
            wantedAt.emplace(id, wanted.size());
            wanted.push_back(&source);
            wantedIds.push_back(id);
        }
    }
    std::vector<Identity> haveIds;
    {
        std::map<Key, int> seen;
        for (const Row& row : rows_) {
            const Key key(rowKey(row));
            haveIds.push_back({key, seen[key]++});
        }
    }
    const int countBefore = static_cast<int>(rows_.size());

    // Rows that are gone, back to front in contiguous runs.
    for (int last = static_cast<int>(rows_.size()) - 1; last >= 0;) {
        if (wantedAt.contains(haveIds[static_cast<std::size_t>(last)])) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !wantedAt.contains(haveIds[static_cast<std::size_t>(first - 1)])) --first;
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        haveIds.erase(haveIds.begin() + first, haveIds.begin() + last + 1);
        endRemoveRows();
        last = first - 1;
    }

    // Rows that stay, into the sources' order, in as few moves as there are
    // rows outside the longest run already in order: a row that moves far
    // is one move, however many rows it passes.
    std::vector<Identity> order;
    {
        const std::set<Identity> kept(haveIds.begin(), haveIds.end());
        for (const Identity& id : wantedIds) {
            if (kept.contains(id)) order.push_back(id);
        }
    }
    const std::vector<bool> staysPut = inLongestOrderedRun(haveIds, order);
    const auto indexOf = [&haveIds](const Identity& id) {
        return static_cast<int>(std::find(haveIds.begin(), haveIds.end(), id) - haveIds.begin());
    };
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        if (staysPut[rank]) continue;
        // Every row of a lower rank is in place: this one goes right after
        // the row ranked just before it.
        const int from = indexOf(order[rank]);
        const int before = rank == 0 ? 0 : indexOf(order[rank - 1]) + 1;
        if (before == from || before == from + 1) continue;
        beginMoveRows({}, from, from, {}, before);
        const int to = before > from ? before - 1 : before;
        const auto shift = [from, to](auto& items) {
            const auto first = items.begin();
            if (from < to) std::rotate(first + from, first + from + 1, first + to + 1);
            else std::rotate(first + to, first + from, first + from + 1);
        };
        shift(rows_);
        shift(haveIds);
        endMoveRows();
    }

    // New rows, in contiguous runs at their places: what stays is now in
    // the sources' order, so a run of new rows ends where the next kept row
    // stands.
    for (std::size_t at = 0; at < wanted.size();) {
        if (at < haveIds.size() && haveIds[at] == wantedIds[at]) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < wanted.size() && !(at < haveIds.size() && wantedIds[end] == haveIds[at])) ++end;
        beginInsertRows({}, static_cast<int>(at), static_cast<int>(end) - 1);
        std::vector<Row> fresh;
        fresh.reserve(end - at);
        for (std::size_t k = at; k < end; ++k) fresh.push_back(make(*wanted[k]));
        const auto place = static_cast<std::ptrdiff_t>(at);
        rows_.insert(rows_.begin() + place, std::make_move_iterator(fresh.begin()),
                     std::make_move_iterator(fresh.end()));
        haveIds.insert(haveIds.begin() + place, wantedIds.begin() + place,
                       wantedIds.begin() + static_cast<std::ptrdiff_t>(end));
        endInsertRows();
        at = end;
    }
    if (static_cast<int>(rows_.size()) != countBefore) emit countChanged();
}

}  // namespace zephrane::face
