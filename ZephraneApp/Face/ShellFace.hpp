// What the windows, the panel and the menus share through the engine: the
// main window's section, what is on screen, the one-shot requests one
// screen leaves for another, and the menu-bar label.
#pragma once

#include <optional>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Engine/MenuBarLabelModel.hpp"
#include "ZephraneApp/Face/FaceCommand.hpp"
#include "ZephraneApp/Model/Section.hpp"
#include "shared/CustomMode.hpp"
#include "shared/Uuid.hpp"

namespace zephrane::face {

class EngineFace;

class ShellFace final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of Face")
    Q_PROPERTY(SectionName selectedSection READ selectedSectionValue WRITE setSelectedSection NOTIFY
                   selectedSectionChanged)
    Q_PROPERTY(bool mainWindowVisible READ mainWindowVisible WRITE setMainWindowVisible NOTIFY mainWindowVisibleChanged)
    Q_PROPERTY(bool dashboardVisible READ dashboardVisible WRITE setDashboardVisible NOTIFY dashboardVisibleChanged)
    Q_PROPERTY(bool pendingDustCycleRequest READ pendingDustCycleRequest NOTIFY pendingDustCycleRequestChanged)
    Q_PROPERTY(bool pendingModeCreationRequest READ pendingModeCreationRequest NOTIFY pendingModeCreationRequestChanged)
    Q_PROPERTY(QString pendingModeEditorID READ pendingModeEditorIDText NOTIFY pendingModeEditorIDChanged)
    Q_PROPERTY(QString pendingModeDeleteID READ pendingModeDeleteIDText NOTIFY pendingModeDeleteIDChanged)
    // The menu-bar label, as the engine's label model last published it.
    Q_PROPERTY(QString menuBarTemperatureText READ menuBarTemperatureText NOTIFY menuBarLabelChanged)
    Q_PROPERTY(QString menuBarFanText READ menuBarFanText NOTIFY menuBarLabelChanged)
    Q_PROPERTY(QString menuBarHottestSensorText READ menuBarHottestSensorText NOTIFY menuBarLabelChanged)
    Q_PROPERTY(int menuBarSpinTier READ menuBarSpinTier NOTIFY menuBarLabelChanged)

public:
    // The main window's sections, in the sidebar's order.
    enum SectionName { Dashboard, Sensors, Modes, Settings };
    Q_ENUM(SectionName)

    struct State {
        Section selectedSection = Section::dashboard;
        bool mainWindowVisible = true;
        bool dashboardVisible = false;
        bool pendingDustCycleRequest = false;
        bool pendingModeCreationRequest = false;
        std::optional<Uuid> pendingModeEditorID;
        std::optional<Uuid> pendingModeDeleteID;
        MenuBarLabelState menuBarLabel = MenuBarLabelState::placeholder();
        friend bool operator==(const State&, const State&) = default;
    };

    ShellFace(EngineFace& face, QObject* parent);

    const State& state() const { return state_; }
    Section selectedSection() const { return state_.selectedSection; }
    SectionName selectedSectionValue() const { return static_cast<SectionName>(state_.selectedSection); }
    void setSelectedSection(SectionName section);
    void selectSection(Section section);
    bool mainWindowVisible() const { return state_.mainWindowVisible; }
    void setMainWindowVisible(bool visible);
    bool dashboardVisible() const { return state_.dashboardVisible; }
    void setDashboardVisible(bool visible);
    const MenuBarLabelState& menuBarLabel() const { return state_.menuBarLabel; }
    QString menuBarTemperatureText() const;
    QString menuBarFanText() const;
    QString menuBarHottestSensorText() const;
    int menuBarSpinTier() const { return state_.menuBarLabel.spinTier; }

    bool pendingDustCycleRequest() const { return state_.pendingDustCycleRequest; }
    bool pendingModeCreationRequest() const { return state_.pendingModeCreationRequest; }
    const std::optional<Uuid>& pendingModeEditorID() const { return state_.pendingModeEditorID; }
    const std::optional<Uuid>& pendingModeDeleteID() const { return state_.pendingModeDeleteID; }
    QString pendingModeEditorIDText() const;
    QString pendingModeDeleteIDText() const;

    // Raising a request; the screen that serves it takes it up.
    Q_INVOKABLE void requestDustCycle();
    Q_INVOKABLE void requestModeCreation();
    Q_INVOKABLE void requestModeEditor(const QString& modeID);
    Q_INVOKABLE void requestModeDelete(const QString& modeID);
    void requestModeEditor(const Uuid& modeID);
    void requestModeDelete(const Uuid& modeID);
    // Taking one up: what was pending (for the editor and the deletion, the
    // mode it names, none when no listed mode has that id), cleared in any case.
    Q_INVOKABLE bool consumePendingDustCycleRequest();
    Q_INVOKABLE bool consumePendingModeCreationRequest();
    std::optional<CustomMode> consumePendingModeEditorID();
    std::optional<CustomMode> consumePendingModeDeleteID();

    // For the face's implementation: what the engine now holds.
    void publish(State next);

signals:
    void selectedSectionChanged();
    void mainWindowVisibleChanged();
    void dashboardVisibleChanged();
    void pendingDustCycleRequestChanged();
    void pendingModeCreationRequestChanged();
    void pendingModeEditorIDChanged();
    void pendingModeDeleteIDChanged();
    void menuBarLabelChanged();

private:
    std::optional<CustomMode> consumeMode(const std::optional<Uuid>& pending, command::Request request);

    EngineFace& face_;
    State state_;
};

}  // namespace zephrane::face
