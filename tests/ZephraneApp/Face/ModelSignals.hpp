// What a list model tells the views over it, gathered by kind, for tests
// that check a model updates in place.
#pragma once

#include <set>
#include <utility>
#include <vector>

#include <QAbstractItemModel>
#include <QObject>

namespace zephrane::facetest {

// Everything a model tells its views, by kind.
struct ModelSignals {
    explicit ModelSignals(QAbstractItemModel& model) {
        QObject* context = &context_;
        QObject::connect(&model, &QAbstractItemModel::dataChanged, context,
                         [this](const QModelIndex& top, const QModelIndex& bottom, const QList<int>& roles) {
                             for (int row = top.row(); row <= bottom.row(); ++row) changedRows.insert(row);
                             changedRoles.insert(roles.begin(), roles.end());
                             ++dataChanges;
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, context,
                         [this](const QModelIndex&, int first, int last) { inserted.push_back({first, last}); });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved, context,
                         [this](const QModelIndex&, int first, int last) { removed.push_back({first, last}); });
        QObject::connect(&model, &QAbstractItemModel::rowsMoved, context,
                         [this](const QModelIndex&, int first, int, const QModelIndex&, int to) {
                             moved.push_back({first, to});
                         });
        QObject::connect(&model, &QAbstractItemModel::modelReset, context, [this] { ++resets; });
        QObject::connect(&model, &QAbstractItemModel::layoutChanged, context, [this] { ++layouts; });
    }
    bool onlyDataChanged() const {
        return inserted.empty() && removed.empty() && moved.empty() && resets == 0 && layouts == 0;
    }

    // The connections end with this.
    QObject context_;
    std::set<int> changedRows;
    std::set<int> changedRoles;
    int dataChanges = 0;
    std::vector<std::pair<int, int>> inserted;
    std::vector<std::pair<int, int>> removed;
    std::vector<std::pair<int, int>> moved;
    int resets = 0;
    int layouts = 0;
};

}  // namespace zephrane::facetest
