#include "ZephraneApp/Settings/PresetCapGroup.hpp"

#include "ZephraneApp/Settings/SettingsRowRules.hpp"

namespace zephrane::settingsview {

PresetCapGroup::PresetCapGroup(QObject* parent) : QObject(parent) {}

void PresetCapGroup::setPreferences(face::PreferencesFace* preferences) {
    if (preferences_ == preferences) return;
    if (preferences_) disconnect(preferences_, nullptr, this, nullptr);
    preferences_ = preferences;
    if (preferences_)
        connect(preferences_, &face::PreferencesFace::presetPowerCapsChanged, this, &PresetCapGroup::capsChanged);
    emit preferencesChanged();
    emit capsChanged();
}

void PresetCapGroup::setPreset(Preset preset) {
    if (preset_ == preset) return;
    preset_ = preset;
    emit capsChanged();
}

FanPreset PresetCapGroup::fanPreset() const { return preset_ == Quiet ? FanPreset::quiet : FanPreset::auto_; }

QString PresetCapGroup::name() const { return QString::fromUtf8(displayName(fanPreset()).data()); }

double PresetCapGroup::acCap() const {
    return preferences_ ? storedCap(preferences_->state().presetPowerCaps, fanPreset(), PowerSource::ac) : 1.0;
}

double PresetCapGroup::batteryCap() const {
    return preferences_ ? storedCap(preferences_->state().presetPowerCaps, fanPreset(), PowerSource::battery) : 1.0;
}

QString PresetCapGroup::acText() const { return QString::fromStdString(capText(acCap())); }
QString PresetCapGroup::batteryText() const { return QString::fromStdString(capText(batteryCap())); }

void PresetCapGroup::setAcCap(double cap) {
    if (preferences_) preferences_->setPresetCap(fanPreset(), cap, std::nullopt);
}

void PresetCapGroup::setBatteryCap(double cap) {
    if (preferences_) preferences_->setPresetCap(fanPreset(), std::nullopt, cap);
}

}  // namespace zephrane::settingsview
