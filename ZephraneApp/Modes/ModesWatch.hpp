// What the modes screen's presenters watch of the face: any change of a
// list model, and the reference fan range, which the face's fan table
// carries among the fans' readings of every poll.
#pragma once

#include <optional>

#include <QAbstractItemModel>
#include <QObject>

#include "ZephraneApp/Model/ModeSpeedText.hpp"

namespace zephrane::face {
class DriveFace;
}

namespace zephrane::modes {

// Calls `changed` after any change of `model`'s rows or values, with
// `context` as the connections' owner.
template <class F>
void onAnyChange(const QAbstractItemModel& model, QObject* context, F changed) {
    QObject::connect(&model, &QAbstractItemModel::dataChanged, context, changed);
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, context, changed);
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved, context, changed);
    QObject::connect(&model, &QAbstractItemModel::rowsMoved, context, changed);
    QObject::connect(&model, &QAbstractItemModel::modelReset, context, changed);
}

// The range of the fan with the lowest id, which every custom-mode speed is
// read against; tells `changed` only when the range itself moved, not on
// each poll of the fans' speeds.
class ReferenceFanRangeWatch final : public QObject {
    Q_OBJECT

public:
    ReferenceFanRangeWatch(const face::DriveFace& drive, QObject* parent);

    const std::optional<FanRange>& range() const { return range_; }

signals:
    void changed();

private:
    void reconsider();

    const face::DriveFace& drive_;
    std::optional<FanRange> range_;
};

}  // namespace zephrane::modes
