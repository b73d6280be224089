#include "ZephraneApp/Dashboard/Presenters/FanGaugePresenter.hpp"

#include <QAbstractItemModel>
#include <QVariantList>

#include "ZephraneApp/Dashboard/Presenters/Stored.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"

namespace zephrane::dashboard {

FanGaugePresenter::FanGaugePresenter(QObject* parent) : FacePresenter(parent) { refresh(); }

void FanGaugePresenter::setFanId(int id) {
    if (!stored(fanId_, id)) return;
    emit inputChanged();
    refresh();
}

QVariant FanGaugePresenter::sortedIDs() const {
    QVariantList ids;
    for (std::int64_t id : sortedIDs_) ids << QVariant::fromValue(id);
    return ids;
}

void FanGaugePresenter::setSortedIDs(const QVariant& ids) {
    std::vector<std::int64_t> next;
    for (const QVariant& id : ids.toList()) next.push_back(id.toLongLong());
    if (!stored(sortedIDs_, std::move(next))) return;
    emit inputChanged();
    refresh();
}

void FanGaugePresenter::setMini(bool mini) {
    if (!stored(mini_, mini)) return;
    emit inputChanged();
    refresh();
}

QVariant FanGaugePresenter::targetFraction() const {
    return figures_.targetDiffers && !mini_ ? QVariant(figures_.targetFraction) : QVariant();
}

void FanGaugePresenter::setTarget(double rpm) {
    if (face::EngineFace* f = face()) f->drive().setFanTarget(fanId_, rpm);
}

void FanGaugePresenter::follow(face::EngineFace& face) {
    const face::FanListModel* fans = &face.drive().fans();
    refreshOn(fans, &QAbstractItemModel::dataChanged);
    refreshOn(fans, &QAbstractItemModel::rowsInserted);
    refreshOn(fans, &QAbstractItemModel::rowsRemoved);
    refreshOn(fans, &QAbstractItemModel::rowsMoved);
    refreshOn(fans, &QAbstractItemModel::modelReset);
    refreshOn(&face.drive(), &face::DriveFace::isManualControlChanged);
    refreshOn(&face.shell(), &face::ShellFace::mainWindowVisibleChanged);
}

void FanGaugePresenter::refresh() {
    FanGaugeInput input;
    input.id = fanId_;
    input.sortedIDs = sortedIDs_;
    input.style = mini_ ? GaugeStyle::mini : GaugeStyle::regular;
    if (face::EngineFace* f = face()) {
        const face::DriveFace& drive = f->drive();
        if (const face::FanRow* row = drive.fans().fan(fanId_)) input.fan = row->fan;
        input.manualControl = drive.isManualControl();
        input.mainWindowVisible = f->shell().mainWindowVisible();
        input.manualTarget = drive.manualTarget(fanId_);
    }
    if (stored(figures_, fanGaugeFigures(input))) emit changed();
}

}  // namespace zephrane::dashboard
