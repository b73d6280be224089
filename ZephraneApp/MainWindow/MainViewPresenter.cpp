#include "ZephraneApp/MainWindow/MainViewPresenter.hpp"

#include <algorithm>

#include <QQmlEngine>
#include <QVariantMap>

#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/MainWindow/CompetingFanController.hpp"
#include "ZephraneApp/MainWindow/DashboardCards.hpp"
#include "ZephraneApp/MainWindow/DustCycleControl.hpp"
#include "ZephraneApp/MainWindow/MainWindowSections.hpp"

namespace zephrane::mainwindow {
using face::qtText;

MainViewPresenter::MainViewPresenter(QObject* parent) : QObject(parent) {
    // Made by C++ (tests), the presenter acts at once; made by QML, once
    // every property given to it is in place.
    completed_ = true;
}

MainViewPresenter::~MainViewPresenter() {
    *alive_ = false;
    stopPoll();
    if (dashboardVisible_ && face_) face_->shell().setDashboardVisible(false);
}

void MainViewPresenter::componentComplete() {
    if (!applications_) setApplications(RunningApplications::of(qmlEngine(this)));
    completed_ = true;
    if (windowShown_) {
        refreshCompetingFanController();
        armPoll();
    }
    updateDashboardVisible();
}

void MainViewPresenter::setFace(face::EngineFace* face) {
    if (face == face_) return;
    if (face_) {
        disconnect(&face_->shell(), nullptr, this, nullptr);
        disconnect(&face_->daemon(), nullptr, this, nullptr);
        disconnect(&face_->preferences(), nullptr, this, nullptr);
        disconnect(&face_->drive(), nullptr, this, nullptr);
    }
    face_ = face;
    if (face_) {
        connect(&face_->shell(), &face::ShellFace::selectedSectionChanged, this, &MainViewPresenter::sectionChanged);
        connect(&face_->shell(), &face::ShellFace::pendingDustCycleRequestChanged, this,
                &MainViewPresenter::checkDustCycleRequest);
        connect(&face_->daemon(), &face::DaemonFace::helperStateChanged, this, &MainViewPresenter::footerChanged);
        connect(&face_->daemon(), &face::DaemonFace::smcAvailableChanged, this,
                &MainViewPresenter::smcAvailabilityChanged);
        connect(&face_->preferences(), &face::PreferencesFace::hasCompletedFirstRunSetupChanged, this,
                &MainViewPresenter::showsFirstRunSheetChanged);
    }
    emit faceChanged();
    emit selectedSectionChanged();
    emit footerChanged();
    emit showsFirstRunSheetChanged();
    emit noFansDescriptionChanged();
    updateDashboardVisible();
}

void MainViewPresenter::setApplications(RunningApplications* applications) {
    if (applications == applications_) return;
    applications_ = applications;
    emit applicationsChanged();
}

void MainViewPresenter::setTimerSource(std::unique_ptr<TimerSource> timers) {
    stopPoll();
    timers_ = std::move(timers);
}

void MainViewPresenter::setWindowShown(bool shown) {
    if (shown == windowShown_) return;
    windowShown_ = shown;
    emit windowShownChanged();
    if (!completed_) return;
    if (shown) {
        refreshCompetingFanController();
        armPoll();
    } else {
        stopPoll();
    }
    updateDashboardVisible();
}

QVariantList MainViewPresenter::sections() const {
    QVariantList rows;
    for (const Section section : EnumCases<Section>::values)
        rows << QVariantMap{{"label", qtText(rawValue(section))}, {"symbol", qtText(sectionSymbol(section))}};
    return rows;
}

int MainViewPresenter::selectedSection() const {
    return face_ ? static_cast<int>(face_->shell().selectedSection()) : static_cast<int>(Section::dashboard);
}

void MainViewPresenter::selectSection(int index) {
    if (!face_) return;
    const auto& cases = EnumCases<Section>::values;
    const bool row = index >= 0 && static_cast<std::size_t>(index) < cases.size();
    face_->shell().selectSection(row ? cases[static_cast<std::size_t>(index)] : Section::dashboard);
}

void MainViewPresenter::selectAdjacentSection(int step) {
    const int last = static_cast<int>(EnumCases<Section>::values.size()) - 1;
    selectSection(std::clamp(selectedSection() + (step < 0 ? -1 : step > 0 ? 1 : 0), 0, last));
}

void MainViewPresenter::openAllSensors() { selectSection(static_cast<int>(Section::sensors)); }

QString MainViewPresenter::footerText() const {
    if (!face_) return qtText(mainwindow::footerText(FooterState::unavailable));
    return qtText(mainwindow::footerText(footerState(face_->daemon().smcAvailable(), face_->daemon().helperState().kind())));
}

bool MainViewPresenter::fanControlActive() const {
    return face_ && footerState(face_->daemon().smcAvailable(), face_->daemon().helperState().kind()) ==
                        FooterState::active;
}

bool MainViewPresenter::showsFirstRunSheet() const {
    return face_ && !face_->preferences().state().hasCompletedFirstRunSetup;
}

void MainViewPresenter::firstRunSheetDismissed() {
    if (face_ && !face_->preferences().state().hasCompletedFirstRunSetup)
        face_->preferences().setHasCompletedFirstRunSetup(true);
}

QString MainViewPresenter::competingFanController() const {
    return competitor_ ? qtText(*competitor_) : QString();
}

QString MainViewPresenter::smcUnavailableMessage() const {
    return qtText(mainwindow::smcUnavailableMessage(competitor_));
}

QString MainViewPresenter::noFansDescription() const {
    if (face_ && face_->daemon().smcAvailable()) return QStringLiteral("This Mac reports no controllable fans.");
    return smcUnavailableMessage();
}

void MainViewPresenter::refreshCompetingFanController() {
    if (lookingUp_) {
        lookAgain_ = true;
        return;
    }
    lookUpCompetitor();
}

QCoro::Task<void> MainViewPresenter::lookUpCompetitor() {
    if (!applications_) co_return;
    lookingUp_ = true;
    const std::shared_ptr<bool> alive = alive_;
    std::optional<std::set<std::string>> running;
    try {
        running = co_await applications_->identifiers();
    } catch (const std::exception&) {
        // The worker stopped or /proc could not be read: the name shown
        // stays until a look-up answers.
    }
    if (!*alive) co_return;
    lookingUp_ = false;
    if (running) setCompetitor(mainwindow::competingFanController(*running));
    if (std::exchange(lookAgain_, false)) lookUpCompetitor();
}

void MainViewPresenter::setCompetitor(std::optional<std::string> name) {
    if (name == competitor_) return;
    competitor_ = std::move(name);
    emit competitorChanged();
    emit noFansDescriptionChanged();
}

void MainViewPresenter::smcAvailabilityChanged() {
    emit footerChanged();
    emit noFansDescriptionChanged();
    if (!completed_ || !windowShown_) return;
    // Like a task keyed by the reachability: the old loop ends, one look
    // now, and a new loop only while it stays unreachable.
    stopPoll();
    refreshCompetingFanController();
    armPoll();
}

void MainViewPresenter::armPoll() {
    if (poll_ || !face_ || face_->daemon().smcAvailable() || !windowShown_) return;
    if (!timers_) timers_ = makeContinuousTimerSource(this);
    const std::shared_ptr<bool> alive = alive_;
    poll_ = timers_->start(kCompetitorPollInterval, [this, alive] {
        if (!*alive) return;
        poll_.reset();
        refreshCompetingFanController();
        armPoll();
    });
}

void MainViewPresenter::stopPoll() {
    if (auto poll = std::exchange(poll_, nullptr)) poll->cancel();
}

void MainViewPresenter::setDashboardWidth(double width) {
    if (width == dashboardWidth_) return;
    dashboardWidth_ = width;
    emit dashboardWidthChanged();
    const DashboardColumns columns = dashboardColumns(width);
    if (columns == columns_) return;
    columns_ = columns;
    emit dashboardColumnsChanged();
}

void MainViewPresenter::setShowDustCycleSheet(bool shown) {
    if (shown == showDustCycleSheet_) return;
    showDustCycleSheet_ = shown;
    emit showDustCycleSheetChanged();
}

void MainViewPresenter::setHeatSourceMode(int mode) {
    const auto chosen = heatSourceModeAt(mode);
    if (!chosen || *chosen == heatSourceMode_) return;
    heatSourceMode_ = *chosen;
    emit heatSourceModeChanged();
}

QString MainViewPresenter::expandedSensorID() const {
    return expandedSensorID_ ? qtText(*expandedSensorID_) : QString();
}

void MainViewPresenter::toggleSensor(const QString& readingId) {
    expandedSensorID_ = toggledExpansion(expandedSensorID_, readingId.toStdString());
    emit expandedSensorIDChanged();
}

void MainViewPresenter::startDustCycleFromSheet() {
    if (face_) face_->drive().startDustCycle();
    setShowDustCycleSheet(false);
}

void MainViewPresenter::sectionChanged() {
    emit selectedSectionChanged();
    updateDashboardVisible();
}

void MainViewPresenter::updateDashboardVisible() {
    const bool visible =
        completed_ && face_ && windowShown_ && face_->shell().selectedSection() == Section::dashboard;
    if (visible == dashboardVisible_) return;
    dashboardVisible_ = visible;
    if (face_) face_->shell().setDashboardVisible(visible);
    if (visible) checkDustCycleRequest();
}

void MainViewPresenter::checkDustCycleRequest() {
    if (!dashboardVisible_ || !face_) return;
    const bool hasFans = face_->drive().hasFans();
    const bool connected = face_->daemon().helperState().kind() == HelperState::Kind::connected;
    const DustCycleRequestCheck check =
        dustCycleRequestCheck(face_->shell().pendingDustCycleRequest(), hasFans, connected);
    if (!check.consume) return;
    face_->shell().consumePendingDustCycleRequest();
    if (check.showSheet) setShowDustCycleSheet(true);
}

}  // namespace zephrane::mainwindow
