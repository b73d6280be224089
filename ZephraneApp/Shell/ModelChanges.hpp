// Calls a slot of `receiver` after any change of a list model's rows: rows
// inserted, removed or moved, data changed, or a reset. For presenters that
// derive what they show from a list of the face.
#pragma once

#include <QAbstractItemModel>

namespace zephrane {

template <class Receiver>
void onAnyChange(const QAbstractItemModel& model, Receiver* receiver, void (Receiver::*slot)()) {
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, receiver, slot);
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved, receiver, slot);
    QObject::connect(&model, &QAbstractItemModel::rowsMoved, receiver, slot);
    QObject::connect(&model, &QAbstractItemModel::dataChanged, receiver, slot);
    QObject::connect(&model, &QAbstractItemModel::modelReset, receiver, slot);
}

}  // namespace zephrane
