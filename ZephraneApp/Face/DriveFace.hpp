// The fans and what drives them: the fan table, the preset, profile and
// custom mode in force, manual control, the dust cycle, and who drives the
// fans in a few words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/FanListModel.hpp"
#include "ZephraneApp/Model/ModeSpeedText.hpp"
#include "ZephraneApp/Services/Records/DustCycle.hpp"
#include "shared/FanModel.hpp"

namespace zephrane::face {

class EngineFace;

class DriveFace final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of Face")
    Q_PROPERTY(zephrane::face::FanListModel* fans READ fansModel CONSTANT)
    Q_PROPERTY(bool hasFans READ hasFans NOTIFY hasFansChanged)
    Q_PROPERTY(bool isManualControl READ isManualControl NOTIFY isManualControlChanged)
    Q_PROPERTY(Preset activePreset READ activePresetValue NOTIFY activePresetChanged)
    Q_PROPERTY(bool hasActiveProfile READ hasActiveProfile NOTIFY activeProfileChanged)
    Q_PROPERTY(QString activeProfileID READ activeProfileID NOTIFY activeProfileChanged)
    Q_PROPERTY(QString activeProfileName READ activeProfileName NOTIFY activeProfileChanged)
    Q_PROPERTY(BuiltInProfile activeBuiltInProfile READ activeBuiltInProfile NOTIFY activeProfileChanged)
    Q_PROPERTY(bool isAutoBoostEngaged READ isAutoBoostEngaged NOTIFY isAutoBoostEngagedChanged)
    Q_PROPERTY(bool meetingQuietActive READ meetingQuietActive NOTIFY meetingQuietActiveChanged)
    Q_PROPERTY(DustCycle dustCycleState READ dustCycleKind NOTIFY dustCycleStateChanged)
    Q_PROPERTY(int dustCycleSecondsRemaining READ dustCycleSecondsRemaining NOTIFY dustCycleStateChanged)
    Q_PROPERTY(QString controlSourceCaption READ controlSourceCaption NOTIFY controlSourceCaptionChanged)

public:
    enum Preset { NoPreset = -1, Quiet, Auto, Max };
    Q_ENUM(Preset)
    // The four profiles that ship with the app; Other for any other.
    enum BuiltInProfile { Other = -1, AppleAuto, SilentStealth, NimbraStandard, MaxThermalBlast };
    Q_ENUM(BuiltInProfile)
    enum DustCycle { Idle, Running, Completed, Aborted };
    Q_ENUM(DustCycle)

    struct State {
        std::optional<FanPreset> activePreset;
        std::optional<FanProfile> activeProfile;
        bool isManualControl = false;
        bool isAutoBoostEngaged = false;
        bool meetingQuietActive = false;
        DustCycleUIState dustCycleState;
        std::string controlSourceCaption;
        friend bool operator==(const State&, const State&) = default;
    };

    DriveFace(EngineFace& face, QObject* parent);

    const State& state() const { return state_; }
    FanListModel& fans() { return fans_; }
    const FanListModel& fans() const { return fans_; }

    bool hasFans() const { return fans_.count() > 0; }
    bool isManualControl() const { return state_.isManualControl; }
    const std::optional<FanPreset>& activePreset() const { return state_.activePreset; }
    Preset activePresetValue() const;
    const std::optional<FanProfile>& activeProfile() const { return state_.activeProfile; }
    bool hasActiveProfile() const { return state_.activeProfile.has_value(); }
    QString activeProfileID() const;
    QString activeProfileName() const;
    BuiltInProfile activeBuiltInProfile() const;
    bool isAutoBoostEngaged() const { return state_.isAutoBoostEngaged; }
    bool meetingQuietActive() const { return state_.meetingQuietActive; }
    const DustCycleUIState& dustCycle() const { return state_.dustCycleState; }
    DustCycle dustCycleKind() const;
    int dustCycleSecondsRemaining() const;
    QString controlSourceCaption() const;

    static std::optional<FanPreset> presetOf(Preset preset);
    static const FanProfile& builtInProfile(BuiltInProfile profile);

    Q_INVOKABLE void selectPreset(zephrane::face::DriveFace::Preset preset);
    // Forgets the active preset, only when one is set.
    Q_INVOKABLE void clearActivePreset();
    Q_INVOKABLE void applyBuiltInProfile(zephrane::face::DriveFace::BuiltInProfile profile);
    void applyProfile(const FanProfile& profile);
    // The user's own pick: no preset and no custom mode stay behind to put
    // their curve back later.
    void selectProfile(const FanProfile& profile);
    Q_INVOKABLE void enterManualControl();
    Q_INVOKABLE void setFanTarget(int fan, double rpm);
    Q_INVOKABLE void setConstantRPM(qint64 rpm);
    // The fan's manual target in rpm, else its current speed, else 0.
    Q_INVOKABLE double manualTarget(int fan) const;
    // The range of the fan with the lowest id, which every custom mode's
    // speed is read against; none without fans.
    std::optional<FanRange> referenceFanRange() const;
    Q_INVOKABLE void startDustCycle();
    Q_INVOKABLE void cancelDustCycle();

    // For the face's implementation: what the engine now holds.
    void publish(State next);

signals:
    void hasFansChanged();
    void isManualControlChanged();
    void activePresetChanged();
    void activeProfileChanged();
    void isAutoBoostEngagedChanged();
    void meetingQuietActiveChanged();
    void dustCycleStateChanged();
    void controlSourceCaptionChanged();

private:
    FanListModel* fansModel() { return &fans_; }

    EngineFace& face_;
    State state_;
    FanListModel fans_;
    bool hadFans_ = false;
};

}  // namespace zephrane::face
