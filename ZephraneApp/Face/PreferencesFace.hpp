// The user's settings as the engine stores them, each readable and
// writable; a write asks the engine to store the value (its key is written
// at once and its change action runs), and the change shows once the engine
// holds it. Also the summon shortcut and the presets' power caps.
#pragma once

#include <optional>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Engine/EngineTypes.hpp"
#include "ZephraneApp/Face/FaceCommand.hpp"
#include "ZephraneApp/Model/AccentChoice.hpp"
#include "ZephraneApp/Model/GlobalShortcut.hpp"
#include "ZephraneApp/Model/WindowBackdrop.hpp"
#include "shared/ControlSource.hpp"
#include "shared/FanModel.hpp"

namespace zephrane::face {

class EngineFace;

class PreferencesFace final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of Face")
    Q_PROPERTY(bool useFahrenheit READ useFahrenheitValue WRITE setUseFahrenheit NOTIFY useFahrenheitChanged)
    Q_PROPERTY(bool preciseTemperatures READ preciseTemperaturesValue WRITE setPreciseTemperatures NOTIFY preciseTemperaturesChanged)
    Q_PROPERTY(bool showDockIcon READ showDockIconValue WRITE setShowDockIcon NOTIFY showDockIconChanged)
    Q_PROPERTY(Accent accentChoice READ accentChoiceValue WRITE setAccentChoice NOTIFY accentChoiceChanged)
    Q_PROPERTY(QString windowBackdrop READ windowBackdropValue WRITE setWindowBackdrop NOTIFY windowBackdropChanged)
    Q_PROPERTY(Readout menuBarReadout READ menuBarReadoutValue WRITE setMenuBarReadout NOTIFY menuBarReadoutChanged)
    Q_PROPERTY(TempSource menuBarTempSource READ menuBarTempSourceValue WRITE setMenuBarTempSource NOTIFY menuBarTempSourceChanged)
    Q_PROPERTY(bool menuBarIconAnimated READ menuBarIconAnimatedValue WRITE setMenuBarIconAnimated NOTIFY menuBarIconAnimatedChanged)
    Q_PROPERTY(Source controlSource READ controlSourceValue WRITE setControlSource NOTIFY controlSourceChanged)
    Q_PROPERTY(double acousticAlpha READ acousticAlphaValue WRITE setAcousticAlpha NOTIFY acousticAlphaChanged)
    Q_PROPERTY(double spoolRate READ spoolRateValue WRITE setSpoolRate NOTIFY spoolRateChanged)
    Q_PROPERTY(bool preSpoolEnabled READ preSpoolEnabledValue WRITE setPreSpoolEnabled NOTIFY preSpoolEnabledChanged)
    Q_PROPERTY(bool autoSwitchOnBattery READ autoSwitchOnBatteryValue WRITE setAutoSwitchOnBattery NOTIFY autoSwitchOnBatteryChanged)
    Q_PROPERTY(bool quietHoursEnabled READ quietHoursEnabledValue WRITE setQuietHoursEnabled NOTIFY quietHoursEnabledChanged)
    Q_PROPERTY(int quietHoursStart READ quietHoursStartValue WRITE setQuietHoursStart NOTIFY quietHoursStartChanged)
    Q_PROPERTY(int quietHoursEnd READ quietHoursEndValue WRITE setQuietHoursEnd NOTIFY quietHoursEndChanged)
    Q_PROPERTY(bool meetingQuietEnabled READ meetingQuietEnabledValue WRITE setMeetingQuietEnabled NOTIFY meetingQuietEnabledChanged)
    Q_PROPERTY(double overheatThreshold READ overheatThresholdValue WRITE setOverheatThreshold NOTIFY overheatThresholdChanged)
    Q_PROPERTY(bool fanHealthWarningsEnabled READ fanHealthWarningsEnabledValue WRITE setFanHealthWarningsEnabled NOTIFY fanHealthWarningsEnabledChanged)
    Q_PROPERTY(bool summonShortcutConflict READ summonShortcutConflictValue WRITE setSummonShortcutConflict NOTIFY summonShortcutConflictChanged)
    Q_PROPERTY(bool hasCompletedFirstRunSetup READ hasCompletedFirstRunSetupValue WRITE setHasCompletedFirstRunSetup NOTIFY hasCompletedFirstRunSetupChanged)
    Q_PROPERTY(bool showAllSensors READ showAllSensorsValue WRITE setShowAllSensors NOTIFY showAllSensorsChanged)
    Q_PROPERTY(bool hasSummonShortcut READ hasSummonShortcut NOTIFY summonShortcutChanged)
    Q_PROPERTY(QString summonShortcutText READ summonShortcutText NOTIFY summonShortcutChanged)

public:
    // The engine's enumerations for QML, case for case in their order.
    enum Accent { System, Sky, Teal, Indigo, Violet, Graphite };
    Q_ENUM(Accent)
    enum Readout { NoReadout, ControlTemperature, HottestFan, Both, HottestSensor };
    Q_ENUM(Readout)
    enum TempSource { ControlTemp, HottestTemp, CpuAverageTemp, CpuPerformanceTemp, CpuEfficiencyTemp, GpuAverageTemp };
    Q_ENUM(TempSource)
    enum Source { Hottest, CpuAverage, CpuPerformance, CpuEfficiency, GpuAverage };
    Q_ENUM(Source)

    struct State {
        bool useFahrenheit = false;
        bool preciseTemperatures = true;
        bool showDockIcon = true;
        Theme::AccentChoice accentChoice = Theme::AccentChoice::system;
        WindowBackdrop windowBackdrop = WindowBackdrop::system;
        MenuBarReadout menuBarReadout = MenuBarReadout::controlTemperature;
        MenuBarTempSource menuBarTempSource = MenuBarTempSource::control;
        bool menuBarIconAnimated = true;
        ControlSource controlSource = ControlSource::hottest;
        double acousticAlpha = 0.35;
        double spoolRate = 900;
        bool preSpoolEnabled = false;
        bool autoSwitchOnBattery = true;
        bool quietHoursEnabled = false;
        int quietHoursStart = 1320;
        int quietHoursEnd = 480;
        bool meetingQuietEnabled = false;
        double overheatThreshold = 90;
        bool fanHealthWarningsEnabled = true;
        bool summonShortcutConflict = false;
        bool hasCompletedFirstRunSetup = false;
        bool showAllSensors = false;
        PresetPowerCapsTable presetPowerCaps;
        std::optional<GlobalShortcut> summonShortcut = GlobalShortcut::defaultSummon();
        friend bool operator==(const State&, const State&) = default;
    };

    PreferencesFace(EngineFace& face, QObject* parent);

    // Every setting above at the engine's default: the caps and the
    // shortcut included; the shortcut conflict off.
    static State defaults();

    const State& state() const { return state_; }

    bool useFahrenheitValue() const { return state_.useFahrenheit; }
    bool preciseTemperaturesValue() const { return state_.preciseTemperatures; }
    bool showDockIconValue() const { return state_.showDockIcon; }
    Accent accentChoiceValue() const { return static_cast<Accent>(state_.accentChoice); }
    QString windowBackdropValue() const;
    Readout menuBarReadoutValue() const { return static_cast<Readout>(state_.menuBarReadout); }
    TempSource menuBarTempSourceValue() const { return static_cast<TempSource>(state_.menuBarTempSource); }
    bool menuBarIconAnimatedValue() const { return state_.menuBarIconAnimated; }
    Source controlSourceValue() const { return static_cast<Source>(state_.controlSource); }
    double acousticAlphaValue() const { return state_.acousticAlpha; }
    double spoolRateValue() const { return state_.spoolRate; }
    bool preSpoolEnabledValue() const { return state_.preSpoolEnabled; }
    bool autoSwitchOnBatteryValue() const { return state_.autoSwitchOnBattery; }
    bool quietHoursEnabledValue() const { return state_.quietHoursEnabled; }
    int quietHoursStartValue() const { return state_.quietHoursStart; }
    int quietHoursEndValue() const { return state_.quietHoursEnd; }
    bool meetingQuietEnabledValue() const { return state_.meetingQuietEnabled; }
    double overheatThresholdValue() const { return state_.overheatThreshold; }
    bool fanHealthWarningsEnabledValue() const { return state_.fanHealthWarningsEnabled; }
    bool summonShortcutConflictValue() const { return state_.summonShortcutConflict; }
    bool hasCompletedFirstRunSetupValue() const { return state_.hasCompletedFirstRunSetup; }
    bool showAllSensorsValue() const { return state_.showAllSensors; }
    void setUseFahrenheit(bool value);
    void setPreciseTemperatures(bool value);
    void setShowDockIcon(bool value);
    void setAccentChoice(Accent value);
    void setWindowBackdrop(const QString& value);
    void setMenuBarReadout(Readout value);
    void setMenuBarTempSource(TempSource value);
    void setMenuBarIconAnimated(bool value);
    void setControlSource(Source value);
    void setAcousticAlpha(double value);
    void setSpoolRate(double value);
    void setPreSpoolEnabled(bool value);
    void setAutoSwitchOnBattery(bool value);
    void setQuietHoursEnabled(bool value);
    void setQuietHoursStart(int value);
    void setQuietHoursEnd(int value);
    void setMeetingQuietEnabled(bool value);
    void setOverheatThreshold(double value);
    void setFanHealthWarningsEnabled(bool value);
    void setSummonShortcutConflict(bool value);
    void setHasCompletedFirstRunSetup(bool value);
    void setShowAllSensors(bool value);
    void setWindowBackdrop(WindowBackdrop backdrop);
    // Any setting by its name, with a value of the setting's own type.
    void change(Setting setting, SettingValue value);

    const std::optional<GlobalShortcut>& summonShortcut() const { return state_.summonShortcut; }
    bool hasSummonShortcut() const { return state_.summonShortcut.has_value(); }
    // The chord as the Mac writes it ("⌥⇧F"); empty for none.
    QString summonShortcutText() const;
    void setSummonShortcut(std::optional<GlobalShortcut> shortcut);
    Q_INVOKABLE void clearSummonShortcut();

    // A preset's caps, fractions of the fan range, from the stored table (the
    // default caps for a preset the table lacks).
    PresetPowerCaps presetCaps(FanPreset preset) const;
    // A cap left out keeps the stored one.
    void setPresetCap(FanPreset preset, std::optional<double> ac, std::optional<double> battery);
    Q_INVOKABLE void resetPresetPowerCaps();

    // For the face's implementation: what the engine now holds, and that the
    // shortcut was assigned (also to the value it had).
    void publish(State next);
    void tellSummonShortcutAssigned() { emit summonShortcutAssigned(); }

signals:
    void useFahrenheitChanged();
    void preciseTemperaturesChanged();
    void showDockIconChanged();
    void accentChoiceChanged();
    void windowBackdropChanged();
    void menuBarReadoutChanged();
    void menuBarTempSourceChanged();
    void menuBarIconAnimatedChanged();
    void controlSourceChanged();
    void acousticAlphaChanged();
    void spoolRateChanged();
    void preSpoolEnabledChanged();
    void autoSwitchOnBatteryChanged();
    void quietHoursEnabledChanged();
    void quietHoursStartChanged();
    void quietHoursEndChanged();
    void meetingQuietEnabledChanged();
    void overheatThresholdChanged();
    void fanHealthWarningsEnabledChanged();
    void summonShortcutConflictChanged();
    void hasCompletedFirstRunSetupChanged();
    void showAllSensorsChanged();
    void summonShortcutChanged();
    void presetPowerCapsChanged();
    // Every assignment of the summon shortcut, after the engine stored it.
    void summonShortcutAssigned();

private:
    EngineFace& face_;
    State state_;
};

}  // namespace zephrane::face
