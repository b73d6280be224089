#include "ZephraneApp/Face/DriveFace.hpp"

#include <utility>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {

DriveFace::DriveFace(EngineFace& face, QObject* parent) : QObject(parent), face_(face), fans_(this) {
    connect(&fans_, &FaceListModel::countChanged, this, [this] {
        if (hasFans() == hadFans_) return;
        hadFans_ = hasFans();
        emit hasFansChanged();
    });
}

DriveFace::Preset DriveFace::activePresetValue() const {
    if (!state_.activePreset) return NoPreset;
    switch (*state_.activePreset) {
        case FanPreset::quiet: return Quiet;
        case FanPreset::auto_: return Auto;
        case FanPreset::max: return Max;
    }
    return NoPreset;
}

std::optional<FanPreset> DriveFace::presetOf(Preset preset) {
    switch (preset) {
        case Quiet: return FanPreset::quiet;
        case Auto: return FanPreset::auto_;
        case Max: return FanPreset::max;
        case NoPreset: break;
    }
    return std::nullopt;
}

const FanProfile& DriveFace::builtInProfile(BuiltInProfile profile) {
    switch (profile) {
        case SilentStealth: return FanProfile::silentStealth();
        case NimbraStandard: return FanProfile::nimbraStandard();
        case MaxThermalBlast: return FanProfile::maxThermalBlast();
        case AppleAuto:
        case Other: break;
    }
    return FanProfile::appleAuto();
}

QString DriveFace::activeProfileID() const {
    return state_.activeProfile ? qtText(state_.activeProfile->id.uuidString()) : QString();
}

QString DriveFace::activeProfileName() const {
    return state_.activeProfile ? qtText(state_.activeProfile->name) : QString();
}

DriveFace::BuiltInProfile DriveFace::activeBuiltInProfile() const {
    if (!state_.activeProfile) return Other;
    for (const BuiltInProfile which : {AppleAuto, SilentStealth, NimbraStandard, MaxThermalBlast})
        if (builtInProfile(which).id == state_.activeProfile->id) return which;
    return Other;
}

DriveFace::DustCycle DriveFace::dustCycleKind() const {
    switch (state_.dustCycleState.state.index()) {
        case 0: return Running;
        case 2: return Completed;
        case 3: return Aborted;
        default: return Idle;
    }
}

int DriveFace::dustCycleSecondsRemaining() const {
    const auto* running = std::get_if<DustCycleUIState::Running>(&state_.dustCycleState.state);
    return running != nullptr ? running->secondsRemaining : 0;
}

QString DriveFace::controlSourceCaption() const { return qtText(state_.controlSourceCaption); }

void DriveFace::selectPreset(Preset preset) {
    if (const auto which = presetOf(preset)) face_.perform(command::SelectPreset{*which});
}

void DriveFace::clearActivePreset() {
    if (state_.activePreset) face_.perform(command::ClearActivePreset{});
}

void DriveFace::applyBuiltInProfile(BuiltInProfile profile) {
    if (profile != Other) applyProfile(builtInProfile(profile));
}

void DriveFace::applyProfile(const FanProfile& profile) { face_.perform(command::ApplyProfile{profile}); }

void DriveFace::selectProfile(const FanProfile& profile) { face_.perform(command::SelectProfile{profile}); }

void DriveFace::enterManualControl() { face_.perform(command::EnterManualControl{}); }

void DriveFace::setFanTarget(int fan, double rpm) { face_.perform(command::SetFanTarget{fan, rpm}); }

void DriveFace::setConstantRPM(qint64 rpm) { face_.perform(command::SetConstantRPM{rpm}); }

double DriveFace::manualTarget(int fan) const {
    const FanRow* row = fans_.fan(fan);
    if (row == nullptr) return 0;
    return row->manualTarget.value_or(row->fan.currentRPM);
}

std::optional<FanRange> DriveFace::referenceFanRange() const {
    // The rows stand in ascending fan id.
    if (fans_.rows().empty()) return std::nullopt;
    const FanStatus& first = fans_.rows().front().fan;
    return FanRange{first.minRPM, first.maxRPM};
}

void DriveFace::startDustCycle() { face_.perform(command::StartDustCycle{}); }

void DriveFace::cancelDustCycle() { face_.perform(command::CancelDustCycle{}); }

void DriveFace::publish(State next) {
    const State was = std::exchange(state_, std::move(next));
    tellIfChanged(*this, was.isManualControl, state_.isManualControl, &DriveFace::isManualControlChanged);
    tellIfChanged(*this, was.activePreset, state_.activePreset, &DriveFace::activePresetChanged);
    tellIfChanged(*this, was.activeProfile, state_.activeProfile, &DriveFace::activeProfileChanged);
    tellIfChanged(*this, was.isAutoBoostEngaged, state_.isAutoBoostEngaged, &DriveFace::isAutoBoostEngagedChanged);
    tellIfChanged(*this, was.meetingQuietActive, state_.meetingQuietActive, &DriveFace::meetingQuietActiveChanged);
    tellIfChanged(*this, was.dustCycleState, state_.dustCycleState, &DriveFace::dustCycleStateChanged);
    tellIfChanged(*this, was.controlSourceCaption, state_.controlSourceCaption, &DriveFace::controlSourceCaptionChanged);
}

}  // namespace zephrane::face
