// What ZephraneMainView shows and keeps: the sidebar's sections and the one
// selected (the engine stores it, so the menus and the panel switch it too),
// the status footer, the first-run sheet, the name of a competing
// fan-control application while the SMC is unreachable, and the view state
// the dashboard's cards share (its width, the dust-cycle sheet, the heat
// sources period, the expanded sensor row), which starts afresh with every
// new window content and is never stored.
//
// The competitor is looked up when the window shows, on every change of the
// SMC's reachability while it shows, and every 5 s while the SMC stays
// unreachable; never while the window is closed. A lookup still running
// when the next is due is not doubled: one more follows it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlparserstatus.h>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Concurrency/ContinuousTimers.hpp"
#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/MainWindow/DashboardLayout.hpp"
#include "ZephraneApp/MainWindow/HeatSourceRules.hpp"
#include "ZephraneApp/MainWindow/RunningApplications.hpp"

namespace zephrane::mainwindow {

class MainViewPresenter : public QObject, public QQmlParserStatus {
    Q_OBJECT
    QML_ELEMENT
    Q_INTERFACES(QQmlParserStatus)
    Q_PROPERTY(zephrane::face::EngineFace* face READ face WRITE setFace NOTIFY faceChanged)
    Q_PROPERTY(zephrane::mainwindow::RunningApplications* applications READ applications WRITE setApplications NOTIFY
                   applicationsChanged)
    // The window is on the screen (shown, minimised or not): it "appears" when this turns true.
    Q_PROPERTY(bool windowShown READ windowShown WRITE setWindowShown NOTIFY windowShownChanged)

    // [{label, symbol}] in the sidebar's order.
    Q_PROPERTY(QVariantList sections READ sections CONSTANT)
    Q_PROPERTY(int selectedSection READ selectedSection NOTIFY selectedSectionChanged)
    Q_PROPERTY(QString footerText READ footerText NOTIFY footerChanged)
    Q_PROPERTY(bool fanControlActive READ fanControlActive NOTIFY footerChanged)

    Q_PROPERTY(bool showsFirstRunSheet READ showsFirstRunSheet NOTIFY showsFirstRunSheetChanged)
    Q_PROPERTY(QString competingFanController READ competingFanController NOTIFY competitorChanged)
    Q_PROPERTY(QString smcUnavailableMessage READ smcUnavailableMessage NOTIFY competitorChanged)
    // The fans card's placeholder without fans.
    Q_PROPERTY(QString noFansDescription READ noFansDescription NOTIFY noFansDescriptionChanged)

    Q_PROPERTY(double dashboardWidth READ dashboardWidth WRITE setDashboardWidth NOTIFY dashboardWidthChanged)
    Q_PROPERTY(bool dashboardWide READ dashboardWide NOTIFY dashboardColumnsChanged)
    Q_PROPERTY(bool dashboardHeroWide READ dashboardHeroWide NOTIFY dashboardColumnsChanged)
    Q_PROPERTY(bool showDustCycleSheet READ showDustCycleSheet WRITE setShowDustCycleSheet NOTIFY
                   showDustCycleSheetChanged)
    Q_PROPERTY(int heatSourceMode READ heatSourceModeValue WRITE setHeatSourceMode NOTIFY heatSourceModeChanged)
    Q_PROPERTY(QString expandedSensorID READ expandedSensorID NOTIFY expandedSensorIDChanged)

public:
    enum HeatPeriod { Live, Today };
    Q_ENUM(HeatPeriod)

    explicit MainViewPresenter(QObject* parent = nullptr);
    ~MainViewPresenter() override;

    void classBegin() override { completed_ = false; }
    void componentComplete() override;

    face::EngineFace* face() const { return face_; }
    void setFace(face::EngineFace* face);
    RunningApplications* applications() const { return applications_; }
    void setApplications(RunningApplications* applications);
    // For tests: the 5 s pauses come from here instead of the continuous clock.
    void setTimerSource(std::unique_ptr<TimerSource> timers);
    bool windowShown() const { return windowShown_; }
    void setWindowShown(bool shown);

    QVariantList sections() const;
    int selectedSection() const;
    // A row of the sidebar chosen; any other index (no row) is the dashboard.
    Q_INVOKABLE void selectSection(int index);
    // The arrow keys in the sidebar: the row above (-1) or below (+1), no
    // further than the first and the last.
    Q_INVOKABLE void selectAdjacentSection(int step);
    // "All Sensors".
    Q_INVOKABLE void openAllSensors();
    QString footerText() const;
    bool fanControlActive() const;

    bool showsFirstRunSheet() const;
    // The sheet went, whichever way: setup is complete.
    Q_INVOKABLE void firstRunSheetDismissed();

    QString competingFanController() const;
    QString smcUnavailableMessage() const;
    QString noFansDescription() const;
    // Looks the competitor up now (a look-up already running is followed by one more).
    Q_INVOKABLE void refreshCompetingFanController();

    double dashboardWidth() const { return dashboardWidth_; }
    void setDashboardWidth(double width);
    bool dashboardWide() const { return columns_.wide; }
    bool dashboardHeroWide() const { return columns_.heroWide; }
    bool showDustCycleSheet() const { return showDustCycleSheet_; }
    void setShowDustCycleSheet(bool shown);
    HeatSourceMode heatSourceMode() const { return heatSourceMode_; }
    int heatSourceModeValue() const { return static_cast<int>(heatSourceMode_); }
    // Any value but the two periods is ignored.
    void setHeatSourceMode(int mode);
    QString expandedSensorID() const;
    Q_INVOKABLE void toggleSensor(const QString& readingId);
    // "Start Dust Cycle" in the sheet: the cycle starts, then the sheet closes.
    Q_INVOKABLE void startDustCycleFromSheet();

signals:
    void faceChanged();
    void applicationsChanged();
    void windowShownChanged();
    void selectedSectionChanged();
    void footerChanged();
    void showsFirstRunSheetChanged();
    void competitorChanged();
    void noFansDescriptionChanged();
    void dashboardWidthChanged();
    void dashboardColumnsChanged();
    void showDustCycleSheetChanged();
    void heatSourceModeChanged();
    void expandedSensorIDChanged();

private:
    void smcAvailabilityChanged();
    void sectionChanged();
    void updateDashboardVisible();
    void checkDustCycleRequest();
    void armPoll();
    void stopPoll();
    QCoro::Task<void> lookUpCompetitor();
    void setCompetitor(std::optional<std::string> name);

    QPointer<face::EngineFace> face_;
    QPointer<RunningApplications> applications_;
    std::unique_ptr<TimerSource> timers_;
    std::shared_ptr<CancellableTimer> poll_;
    bool completed_ = false;
    bool windowShown_ = false;
    bool dashboardVisible_ = false;
    bool lookingUp_ = false;
    bool lookAgain_ = false;
    std::optional<std::string> competitor_;
    double dashboardWidth_ = 0;
    DashboardColumns columns_;
    bool showDustCycleSheet_ = false;
    HeatSourceMode heatSourceMode_ = HeatSourceMode::live;
    std::optional<std::string> expandedSensorID_;
    // Cleared when the presenter goes: a look-up that returns later drops its answer.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zephrane::mainwindow
