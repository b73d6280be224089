// The user's own ways to drive the fans besides the presets: custom modes,
// one constant speed for every fan ("Manual Lock"), and a manual target per
// fan; also the one-shot requests the menu-bar panel and the menus leave
// for the main window's views.
#include <QString>

#include "ZephraneApp/Engine/ZephraneEngine.hpp"

namespace zephrane {

namespace {

// Leading and trailing white space and line breaks, Unicode's included.
std::string trimmedName(const std::string& name) { return QString::fromStdString(name).trimmed().toStdString(); }

const CustomMode* findMode(const CustomModeList& modes, const Uuid& id) {
    for (const auto& mode : modes)
        if (mode.id() == id) return &mode;
    return nullptr;
}

}  // namespace

void ZephraneEngine::addCustomMode(CustomMode mode) {
    std::string name = trimmedName(mode.name());
    if (name.empty()) return;
    mode.setName(std::move(name));
    CustomModeList modes = customModes_;
    modes.push_back(std::move(mode));
    setCustomModes(std::move(modes));
}

void ZephraneEngine::updateCustomMode(CustomMode mode) {
    std::string name = trimmedName(mode.name());
    if (name.empty()) return;
    CustomModeList modes = customModes_;
    for (auto& stored : modes) {
        if (stored.id() != mode.id()) continue;
        mode.setName(std::move(name));
        stored = std::move(mode);
        setCustomModes(std::move(modes));
        return;
    }
}

void ZephraneEngine::duplicateCustomMode(const Uuid& id) {
    const CustomMode* original = findMode(customModes_, id);
    if (!original) return;
    addCustomMode(CustomMode(Uuid::random(), original->name() + " copy", original->symbolName(), original->speed(),
                             original->controlSensor(), original->displaySensor(), original->drivesMainReadout()));
}

void ZephraneEngine::deleteCustomMode(const Uuid& id) {
    CustomModeList modes;
    modes.reserve(customModes_.size());
    for (const auto& mode : customModes_)
        if (mode.id() != id) modes.push_back(mode);
    setCustomModes(std::move(modes));
    if (activeCustomModeID_ == id) selectPreset(FanPreset::auto_);
}

void ZephraneEngine::selectCustomMode(const Uuid& id) {
    if (fans_.empty() || !findMode(customModes_, id)) return;
    endDustCycleForNewDrive();
    publish(activePreset_, OptionalPreset(), &ZephraneEngine::activePresetChanged);
    setActiveCustomModeID(id);
    applyProfile(FanProfile::nimbraStandard());
}

std::optional<CustomMode> ZephraneEngine::consumePendingModeEditorID() {
    return consumePendingMode(pendingModeEditorID_, &ZephraneEngine::setPendingModeEditorID);
}

std::optional<CustomMode> ZephraneEngine::consumePendingModeDeleteID() {
    return consumePendingMode(pendingModeDeleteID_, &ZephraneEngine::setPendingModeDeleteID);
}

// The request is cleared whether or not the mode still exists.
std::optional<CustomMode> ZephraneEngine::consumePendingMode(const OptionalUuid& pending,
                                                             void (ZephraneEngine::*clear)(OptionalUuid)) {
    if (!pending) return std::nullopt;
    const CustomMode* mode = findMode(customModes_, *pending);
    std::optional<CustomMode> found = mode ? std::optional<CustomMode>(*mode) : std::nullopt;
    (this->*clear)(std::nullopt);
    return found;
}

bool ZephraneEngine::consumePendingModeCreationRequest() {
    if (!pendingModeCreationRequest_) return false;
    setPendingModeCreationRequest(false);
    return true;
}

bool ZephraneEngine::consumePendingDustCycleRequest() {
    if (!pendingDustCycleRequest_) return false;
    setPendingDustCycleRequest(false);
    return true;
}

FanProfile ZephraneEngine::manualLockProfile(std::int64_t rpm) {
    return FanProfile{Uuid::random(), "Manual Lock", ControlMode::constantRPM, rpm, "max", {}};
}

void ZephraneEngine::setConstantRPM(std::int64_t rpm) {
    if (fans_.empty()) return;
    selectProfile(manualLockProfile(rpm));
}

void ZephraneEngine::enterManualControl() {
    if (!manualFanTargets_.empty() || fans_.empty()) return;
    endDustCycleForNewDrive();
    // Manual control ends auto-boost without giving the earlier choice back.
    publish(isAutoBoostEngaged_, false, &ZephraneEngine::isAutoBoostEngagedChanged);
    autoBoostHolders_.clear();
    ruleTriggerState_.clear();
    profileBeforeAutoBoost_.reset();
    presetBeforeAutoBoost_.reset();

    publish(activePreset_, OptionalPreset(), &ZephraneEngine::activePresetChanged);
    setActiveCustomModeID(std::nullopt);
    publish(activeProfile_, OptionalProfile(), &ZephraneEngine::activeProfileChanged);
    pipeline_.reset();
    deadbands_.clear();

    // The fans stay where they are: each ramps on from its present speed.
    RPMTable targets;
    for (const auto& [index, status] : fans_) {
        rampedTargets_[index] = status.currentRPM;
        targets[index] = status.currentRPM > 0 ? status.currentRPM : status.minRPM;
    }
    setManualFanTargets(std::move(targets));
}

void ZephraneEngine::setFanTarget(int fan, double rpm) {
    if (manualFanTargets_.empty()) enterManualControl();
    const auto target = manualFanTargets_.find(fan);
    if (target == manualFanTargets_.end() || target->second == rpm) return;
    RPMTable targets = manualFanTargets_;
    targets[fan] = rpm;
    setManualFanTargets(std::move(targets));
}

double ZephraneEngine::manualTarget(int fan) const {
    if (const auto target = manualFanTargets_.find(fan); target != manualFanTargets_.end()) return target->second;
    if (const auto known = fans_.find(fan); known != fans_.end()) return known->second.currentRPM;
    return 0;
}

}  // namespace zephrane
