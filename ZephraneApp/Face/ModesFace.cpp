#include "ZephraneApp/Face/ModesFace.hpp"

#include <utility>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {

ModesFace::ModesFace(EngineFace& face, QObject* parent) : QObject(parent), face_(face), customModes_(this) {}

QString ModesFace::activeCustomModeIDText() const {
    return activeCustomModeID_ ? qtText(activeCustomModeID_->uuidString()) : QString();
}

std::optional<CustomMode> ModesFace::activeCustomMode() const {
    if (!activeCustomModeID_) return std::nullopt;
    const CustomMode* mode = customModes_.mode(*activeCustomModeID_);
    return mode != nullptr ? std::optional<CustomMode>(*mode) : std::nullopt;
}

void ModesFace::selectCustomMode(const QString& id) {
    if (const auto uuid = Uuid::parse(id.toStdString())) selectCustomMode(*uuid);
}

void ModesFace::selectCustomMode(const Uuid& id) { face_.perform(command::SelectCustomMode{id}); }

void ModesFace::clearActiveCustomMode() {
    if (activeCustomModeID_) face_.perform(command::ClearActiveCustomMode{});
}

void ModesFace::addCustomMode(CustomMode mode) { face_.perform(command::AddCustomMode{std::move(mode)}); }

void ModesFace::updateCustomMode(CustomMode mode) { face_.perform(command::UpdateCustomMode{std::move(mode)}); }

void ModesFace::duplicateCustomMode(const QString& id) {
    if (const auto uuid = Uuid::parse(id.toStdString())) face_.perform(command::DuplicateCustomMode{*uuid});
}

void ModesFace::deleteCustomMode(const QString& id) {
    if (const auto uuid = Uuid::parse(id.toStdString())) face_.perform(command::DeleteCustomMode{*uuid});
}

void ModesFace::publishActiveCustomModeID(std::optional<Uuid> id) {
    if (id == activeCustomModeID_) return;
    activeCustomModeID_ = id;
    emit activeCustomModeIDChanged();
}

}  // namespace zephrane::face
