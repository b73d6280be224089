#include "ZephraneApp/Shell/FanSpeedSliderModel.hpp"

#include <utility>

#include "ZephraneApp/Face/CustomModeModel.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/FanListModel.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/Shell/ModelChanges.hpp"

namespace zephrane {

namespace logic = FanSpeedSliderLogic;

FanSpeedSliderModel::FanSpeedSliderModel(QObject* parent) : QObject(parent) { refreshTexts(); }

void FanSpeedSliderModel::setFace(face::EngineFace* face) {
    if (face_ == face) return;
    if (face_) {
        disconnect(&face_->drive(), nullptr, this, nullptr);
        disconnect(&face_->drive().fans(), nullptr, this, nullptr);
        disconnect(&face_->modes(), nullptr, this, nullptr);
        disconnect(&face_->modes().customModes(), nullptr, this, nullptr);
    }
    face_ = face;
    if (face_) {
        connect(&face_->drive(), &face::DriveFace::activeProfileChanged, this, &FanSpeedSliderModel::syncFromEngine);
        connect(&face_->modes(), &face::ModesFace::activeCustomModeIDChanged, this,
                &FanSpeedSliderModel::syncFromEngine);
        onAnyChange(face_->drive().fans(), this, &FanSpeedSliderModel::fansChanged);
        onAnyChange(face_->modes().customModes(), this, &FanSpeedSliderModel::modesChanged);
        manualTargets_.clear();
        for (const logic::Fan& fan : fans())
            if (fan.manualTarget) manualTargets_[fan.id] = *fan.manualTarget;
        modes_.clear();
        for (const face::CustomModeRow& row : face_->modes().customModes().rows()) modes_.push_back(row.mode);
    }
    syncFromEngine();
}

std::vector<logic::Fan> FanSpeedSliderModel::fans() const {
    std::vector<logic::Fan> fans;
    if (!face_) return fans;
    for (const face::FanRow& row : face_->drive().fans().rows())
        fans.push_back({.id = row.fan.id,
                        .currentRPM = row.fan.currentRPM,
                        .minRPM = row.fan.minRPM,
                        .maxRPM = row.fan.maxRPM,
                        .manualTarget = row.manualTarget});
    return fans;
}

std::optional<CustomMode> FanSpeedSliderModel::activeMode() const {
    return face_ ? face_->modes().activeCustomMode() : std::nullopt;
}

QString FanSpeedSliderModel::rpmText(double fraction) const {
    return face::qtText(logic::sliderRPMText(fraction, logic::sliderRPMRange(fans())));
}

void FanSpeedSliderModel::setValue(double value) {
    if (value == value_) return;
    value_ = value;
    emit valueChanged();
}

void FanSpeedSliderModel::move(double fraction) {
    if (fraction == value_) return;
    setValue(fraction);
    // While a custom mode's speed is dragged, the mode follows every move.
    if (dragging_ && face_) {
        if (std::optional<CustomMode> mode = activeMode()) {
            mode->setSpeed(logic::withPercentage(mode->speed(), value_));
            face_->modes().updateCustomMode(std::move(*mode));
        }
    }
    refreshTexts();
}

void FanSpeedSliderModel::setEditing(bool editing) {
    if (editing != dragging_) {
        dragging_ = editing;
        emit draggingChanged();
    }
    refreshTexts();
    if (editing || !face_) return;
    if (std::optional<CustomMode> mode = activeMode()) {
        mode->setSpeed(logic::withPercentage(mode->speed(), value_));
        face_->modes().updateCustomMode(std::move(*mode));
        return;
    }
    // Fan data that makes no range gives no speed: nothing is asked.
    if (const auto rpm = logic::sliderRPM(value_, logic::sliderRPMRange(fans())))
        face_->drive().setConstantRPM(*rpm);
}

void FanSpeedSliderModel::syncFromEngine() {
    if (!dragging_ && face_) {
        if (const auto resting = logic::restingValue(activeMode(), face_->drive().activeProfile(), fans()))
            setValue(*resting);
    }
    refreshTexts();
}

void FanSpeedSliderModel::fansChanged() {
    std::map<std::int64_t, double> targets;
    for (const logic::Fan& fan : fans())
        if (fan.manualTarget) targets[fan.id] = *fan.manualTarget;
    if (targets != manualTargets_) {
        manualTargets_ = std::move(targets);
        syncFromEngine();
        return;
    }
    refreshTexts();
}

void FanSpeedSliderModel::modesChanged() {
    std::vector<CustomMode> modes;
    if (face_)
        for (const face::CustomModeRow& row : face_->modes().customModes().rows()) modes.push_back(row.mode);
    if (modes == modes_) return;
    modes_ = std::move(modes);
    syncFromEngine();
}

void FanSpeedSliderModel::refreshTexts() {
    const std::vector<logic::Fan> all = fans();
    const logic::Target target = logic::target(activeMode());
    const std::string rpm = logic::sliderRPMText(value_, logic::sliderRPMRange(all));
    const std::optional<FanProfile> profile = face_ ? face_->drive().activeProfile() : std::nullopt;
    const std::string hint = logic::accessibilityHint(target, logic::isManualControlEngaged(all, profile));
    const std::string value = logic::accessibilityValue(target, rpm);
    Texts next{.label = face::qtText(logic::label(target)),
               .helpText = face::qtText(logic::helpText(target)),
               .hint = face::qtText(hint),
               .accessibilityValue = face::qtText(value),
               .description = face::qtText(hint.empty() ? value : value + ". " + hint),
               .speedText = face::qtText(dragging_ ? rpm : logic::idleSpeedText(value_, all))};
    if (next == texts_) return;
    texts_ = std::move(next);
    emit textsChanged();
}

}  // namespace zephrane
