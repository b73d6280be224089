#include "ZephraneApp/Dashboard/Presenters/DeviceSensorRowPresenter.hpp"

#include <utility>

#include "ZephraneApp/Dashboard/Presenters/Stored.hpp"
#include "ZephraneApp/Dashboard/Rules/SensorText.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"

namespace zephrane::dashboard {

using face::DeviceSensorModel;

DeviceSensorRowPresenter::DeviceSensorRowPresenter(QObject* parent) : FacePresenter(parent) { refresh(); }

void DeviceSensorRowPresenter::setReadingId(const QString& id) {
    if (!stored(readingId_, id)) return;
    findRow();
    inputMoved();
}

void DeviceSensorRowPresenter::setExpanded(bool expanded) {
    if (stored(settings_.expanded, expanded)) inputMoved();
}

void DeviceSensorRowPresenter::setPinnableKey(bool pinnable) {
    if (stored(pinnableKey_, pinnable)) inputMoved();
}

void DeviceSensorRowPresenter::setInteractive(bool interactive) {
    if (stored(settings_.interactive, interactive)) inputMoved();
}

void DeviceSensorRowPresenter::inputMoved() {
    emit inputChanged();
    refresh();
}

QString DeviceSensorRowPresenter::pinSymbol() const { return QString::fromStdString(dashboard::pinSymbol(pinned_)); }

QString DeviceSensorRowPresenter::pinLabel() const {
    return QString::fromStdString(dashboard::pinLabel(pinned_, name_.toStdString()));
}

QString DeviceSensorRowPresenter::pinMenuText() const { return QString::fromStdString(dashboard::pinMenuText(pinned_)); }

void DeviceSensorRowPresenter::togglePin() {
    if (face::EngineFace* f = face(); f != nullptr && pinnableKey_) f->sensors().togglePin(readingId_);
}

double DeviceSensorRowPresenter::chevronRotation(bool expanded, bool reduceMotion) const {
    return dashboard::chevronRotation(expanded, reduceMotion);
}

double DeviceSensorRowPresenter::chevronOpacity(bool hovering, bool expanded) const {
    return dashboard::chevronOpacity(hovering, expanded);
}

void DeviceSensorRowPresenter::follow(face::EngineFace& face) {
    const DeviceSensorModel* model = &face.sensors().deviceSensors();
    const auto refind = [this] {
        findRow();
        refresh();
    };
    for (auto structural : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        keep(connect(model, structural, this, refind));
    keep(connect(model, &QAbstractItemModel::rowsMoved, this, refind));
    keep(connect(model, &QAbstractItemModel::modelReset, this, refind));
    keep(connect(model, &QAbstractItemModel::dataChanged, this,
                 [this](const QModelIndex& top, const QModelIndex& bottom, const QList<int>& roles) {
                     rowsChanged(top.row(), bottom.row(), roles);
                 }));
    refreshOn(&face.sensors(), &face::SensorsFace::pinnedSensorKeysChanged);
    refreshOn(&face.preferences(), &face::PreferencesFace::useFahrenheitChanged);
    refreshOn(&face.preferences(), &face::PreferencesFace::preciseTemperaturesChanged);
    findRow();
}

void DeviceSensorRowPresenter::findRow() {
    row_ = -1;
    const face::EngineFace* f = face();
    if (f == nullptr) return;
    const std::string id = readingId_.toStdString();
    const auto& rows = f->sensors().deviceSensors().rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].reading.id == id) {
            row_ = static_cast<int>(i);
            return;
        }
    }
}

void DeviceSensorRowPresenter::rowsChanged(int first, int last, const QList<int>& roles) {
    if (row_ < first || row_ > last) return;
    // A new sample alone concerns only an expanded row.
    const bool historyOnly = roles.size() == 1 && roles.first() == DeviceSensorModel::HistoryRole;
    if (historyOnly && !settings_.expanded) return;
    refresh();
}

void DeviceSensorRowPresenter::refresh() {
    const face::EngineFace* f = face();
    const face::DeviceSensorRow* row = nullptr;
    if (f != nullptr && row_ >= 0) row = &f->sensors().deviceSensors().rows()[static_cast<std::size_t>(row_)];
    DeviceSensorReading reading;
    std::span<const double> history;
    if (row != nullptr) {
        reading = row->reading;
        if (settings_.expanded) history = row->history;
    } else {
        reading.id = readingId_.toStdString();
        reading.name = reading.id;
    }
    if (f != nullptr) {
        settings_.fahrenheit = f->preferences().useFahrenheitValue();
        settings_.precise = f->preferences().preciseTemperaturesValue();
    }
    bool moved = stored(name_, QString::fromStdString(reading.name));
    moved = stored(symbol_, QString::fromStdString(reading.symbol)) || moved;
    moved = stored(pinned_, pinnableKey_ && f != nullptr && f->sensors().pinnedSensorKeys().contains(reading.id)) || moved;
    moved = stored(display_, deviceRowDisplay(reading, history, settings_)) || moved;
    if (moved) emit changed();
    if (stored(history_, QList<double>(history.begin(), history.end()))) emit historyChanged();
}

}  // namespace zephrane::dashboard
