#include "ZephraneApp/MainWindow/FansCardPresenter.hpp"

#include <QVariantMap>

#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/MainWindow/DashboardLayout.hpp"
#include "ZephraneApp/MainWindow/DustCycleControl.hpp"

namespace zephrane::mainwindow {

using face::qtText;

FansCardPresenter::FansCardPresenter(QObject* parent) : QObject(parent) {}

void FansCardPresenter::setFace(face::EngineFace* face) {
    if (face == face_) return;
    if (face_) {
        disconnect(&face_->drive(), nullptr, this, nullptr);
        disconnect(&face_->drive().fans(), nullptr, this, nullptr);
        disconnect(&face_->modes(), nullptr, this, nullptr);
        disconnect(&face_->daemon(), nullptr, this, nullptr);
    }
    face_ = face;
    if (face_) {
        auto& drive = face_->drive();
        connect(&drive, &face::DriveFace::activeProfileChanged, this, &FansCardPresenter::fanModeChanged);
        connect(&drive, &face::DriveFace::isManualControlChanged, this, &FansCardPresenter::fanModeChanged);
        connect(&face_->modes(), &face::ModesFace::activeCustomModeIDChanged, this, &FansCardPresenter::fanModeChanged);
        // A renamed active mode: its row changes in the list.
        connect(&face_->modes().customModes(), &QAbstractItemModel::dataChanged, this,
                &FansCardPresenter::fanModeChanged);
        connect(&drive.fans(), &face::FaceListModel::countChanged, this, &FansCardPresenter::fansChanged);
        connect(&drive.fans(), &QAbstractItemModel::rowsMoved, this, &FansCardPresenter::fansChanged);
        connect(&drive, &face::DriveFace::hasFansChanged, this, &FansCardPresenter::dustCycleChanged);
        connect(&drive, &face::DriveFace::hasFansChanged, this, &FansCardPresenter::fanModeChanged);
        connect(&drive, &face::DriveFace::dustCycleStateChanged, this, &FansCardPresenter::dustCycleChanged);
        connect(&face_->daemon(), &face::DaemonFace::helperStateChanged, this, &FansCardPresenter::dustCycleChanged);
    }
    emit faceChanged();
    emit fanModeChanged();
    emit fansChanged();
    emit dustCycleChanged();
}

QVariantList FansCardPresenter::segments() const {
    QVariantList segments;
    for (const FanMode mode : kFanModes)
        segments << QVariantMap{{"id", static_cast<int>(mode)}, {"title", qtText(fanModeLabel(mode))}};
    return segments;
}

std::optional<FanMode> FansCardPresenter::fanMode() const {
    if (!face_) return FanMode::auto_;
    return currentFanMode(face_->drive().isManualControl(), face_->drive().activeProfile());
}

QVariant FansCardPresenter::fanModeValue() const {
    const auto mode = fanMode();
    return mode ? QVariant(static_cast<int>(*mode)) : QVariant();
}

void FansCardPresenter::chooseFanMode(const QVariant& mode) {
    if (!face_ || !mode.isValid() || mode.isNull()) return;
    bool number = false;
    const int value = mode.toInt(&number);
    if (!number || value < 0 || static_cast<std::size_t>(value) >= kFanModes.size()) return;
    const auto chosen = static_cast<FanMode>(value);
    if (chosen == FanMode::manual) {
        face_->drive().enterManualControl();
        return;
    }
    // The same steps as a custom mode turned off: no preset, no custom
    // mode, then the built-in profile.
    face_->drive().clearActivePreset();
    face_->modes().clearActiveCustomMode();
    face_->drive().applyProfile(*fanModeProfile(chosen));
}

bool FansCardPresenter::hasFans() const { return face_ && face_->drive().hasFans(); }

QString FansCardPresenter::customModeCaption() const {
    if (!face_ || !hasFans() || fanMode()) return {};
    const auto mode = face_->modes().activeCustomMode();
    return mode ? qtText(mode->name()) : QString();
}

QVariantList FansCardPresenter::sortedIDs() const {
    QVariantList ids;
    if (!face_) return ids;
    // The list holds the fans in ascending id.
    for (const face::FanRow& row : face_->drive().fans().rows()) ids << static_cast<int>(row.fan.id);
    return ids;
}

double FansCardPresenter::gaugeRowMaximumWidth() const {
    return fanGaugeRowMaximumWidth(face_ ? face_->drive().fans().count() : 0);
}

namespace {

std::optional<FanHealthMonitor::Warning> warningNamed(const QString& warning) {
    if (warning == QLatin1String("stalled")) return FanHealthMonitor::Warning::stalled;
    if (warning == QLatin1String("underperforming")) return FanHealthMonitor::Warning::underperforming;
    return std::nullopt;
}

}  // namespace

QString FansCardPresenter::healthHelp(const QString& warning) const {
    const auto named = warningNamed(warning);
    return named ? qtText(fanHealthBadge(*named).help) : QString();
}

QString FansCardPresenter::healthLabel(const QString& warning) const {
    const auto named = warningNamed(warning);
    return named ? qtText(fanHealthBadge(*named).accessibilityLabel) : QString();
}

bool FansCardPresenter::dustCycleAvailable() const {
    return face_ && mainwindow::dustCycleAvailable(face_->drive().hasFans(),
                                                   face_->daemon().helperState().kind() == HelperState::Kind::connected);
}

bool FansCardPresenter::dustCycleRunning() const {
    return face_ && face_->drive().dustCycleKind() == face::DriveFace::Running;
}

QString FansCardPresenter::dustCycleCountdown() const {
    if (!dustCycleRunning()) return {};
    return qtText(dustCycleCountdownText(face_->drive().dustCycleSecondsRemaining()));
}

void FansCardPresenter::cancelDustCycle() {
    if (face_) face_->drive().cancelDustCycle();
}

}  // namespace zephrane::mainwindow
