#include "ZephraneApp/Dashboard/Presenters/SensorsPresenter.hpp"

#include <QVariantMap>

#include "ZephraneApp/Dashboard/Presenters/Stored.hpp"
#include "ZephraneApp/Dashboard/Rules/SensorGrouping.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"

namespace zephrane::dashboard {
namespace {

const QString kAll = QStringLiteral("all");
const QString kEssentials = QStringLiteral("essentials");

}  // namespace

SensorsPresenter::SensorsPresenter(QObject* parent) : FacePresenter(parent), groups_(new SensorGroupModel(this)) {
    refresh();
}

void SensorsPresenter::setQuery(const QString& query) {
    if (!stored(query_, query)) return;
    emit queryChanged();
    refresh();
}

bool SensorsPresenter::searching() const { return isSearching(query_); }

bool SensorsPresenter::showAll() const {
    const face::EngineFace* f = face();
    return f != nullptr && f->preferences().showAllSensorsValue();
}

QString SensorsPresenter::modeSelection() const { return showAll_ ? kAll : kEssentials; }

QString SensorsPresenter::emptySymbol() const {
    return body_ == NoSensors ? QStringLiteral("sensor") : QStringLiteral("magnifyingglass");
}

void SensorsPresenter::chooseMode(const QVariant& segment) {
    if (face::EngineFace* f = face()) f->preferences().setShowAllSensors(segment.toString() == kAll);
}

QString SensorsPresenter::toggledExpansion(const QString& expanded, const QString& tapped) const {
    return expanded == tapped ? QString() : tapped;
}

QVariantList SensorsPresenter::modeSegments() const {
    return {QVariantMap{{"id", kEssentials}, {"title", QStringLiteral("Essentials")}},
            QVariantMap{{"id", kAll}, {"title", QStringLiteral("All")}}};
}

bool SensorsPresenter::isSensorKey(const QString& id, int) const { return sensorKeys_.contains(id.toStdString()); }

void SensorsPresenter::togglePin(const QString& key) {
    if (face::EngineFace* f = face()) f->sensors().togglePin(key);
}

void SensorsPresenter::follow(face::EngineFace& face) {
    const face::SensorListModel* all = &face.sensors().allSensors();
    groups_->setSource(all);
    for (auto structural : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        keep(connect(all, structural, this, &SensorsPresenter::keysMayHaveChanged));
    keep(connect(all, &QAbstractItemModel::modelReset, this, &SensorsPresenter::keysMayHaveChanged));
    // The count follows the rows listed.
    refreshOn(groups_, &face::FaceListModel::countChanged);
    refreshOn(all, &face::FaceListModel::countChanged);
    refreshOn(&face.sensors().deviceSensors(), &face::FaceListModel::countChanged);
    refreshOn(&face.sensors(), &face::SensorsFace::hasDiscoveredSensorsChanged);
    refreshOn(&face.sensors(), &face::SensorsFace::pinnedSensorKeysChanged);
    refreshOn(&face.daemon(), &face::DaemonFace::smcAvailableChanged);
    refreshOn(&face.preferences(), &face::PreferencesFace::showAllSensorsChanged);
    refreshOn(&face.preferences(), &face::PreferencesFace::useFahrenheitChanged);
    refreshOn(&face.preferences(), &face::PreferencesFace::preciseTemperaturesChanged);
    keysMayHaveChanged();
}

void SensorsPresenter::keysMayHaveChanged() {
    std::set<std::string> keys;
    if (const face::EngineFace* f = face())
        for (const face::SensorRow& row : f->sensors().allSensors().rows()) keys.insert(row.sensor.key);
    if (keys == sensorKeys_) return;
    sensorKeys_ = std::move(keys);
    ++sensorKeysRevision_;
    emit sensorKeysChanged();
}

void SensorsPresenter::refresh() {
    // The groups it sets up tell their count back: that refresh is this one.
    if (refreshing_) return;
    refreshing_ = true;
    const face::EngineFace* f = face();
    const bool searchingNow = searching();
    const bool showAllNow = showAll();
    if (f == nullptr) {
        groups_->setSource(nullptr);
    } else {
        groups_->setPinnedKeys(f->sensors().pinnedSensorKeys());
        groups_->setUnits(f->preferences().useFahrenheitValue(), f->preferences().preciseTemperaturesValue());
    }
    groups_->setQuery(query_);
    // The groups are made only while they are shown.
    groups_->setActive(showAllNow || searchingNow);
    refreshing_ = false;

    Body body = NoSensors;
    std::string count;
    std::string title = kNoSensorsTitle;
    std::string description;
    if (f != nullptr) {
        const bool fahrenheit = f->preferences().useFahrenheitValue();
        if (!f->sensors().hasDiscoveredSensors()) {
            description = noSensorsDescription(f->daemon().smcAvailable());
        } else if (!showAllNow && !searchingNow) {
            body = Essentials;
        } else if (groups_->shownCount() > 0) {
            body = Grouped;
        } else {
            body = NoResults;
            title = noResultsTitle(query_);
            description = kNoResultsDescription;
        }
        count = !showAllNow && !searchingNow
                    ? essentialsCountText(static_cast<std::size_t>(f->sensors().deviceSensors().count()), fahrenheit)
                    : groupedCountText(groups_->shownCount(), static_cast<std::size_t>(f->sensors().allSensors().count()));
    }
    bool moved = stored(body_, body);
    moved = stored(countText_, QString::fromStdString(count)) || moved;
    moved = stored(emptyTitle_, QString::fromStdString(title)) || moved;
    moved = stored(emptyDescription_, QString::fromStdString(description)) || moved;
    moved = stored(searching_, searchingNow) || moved;
    moved = stored(showAll_, showAllNow) || moved;
    if (moved) emit changed();
}

}  // namespace zephrane::dashboard
