#include "ZephraneApp/Face/ShellFace.hpp"

#include <utility>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {
namespace {

QString uuidText(const std::optional<Uuid>& id) { return id ? qtText(id->uuidString()) : QString(); }

}  // namespace

ShellFace::ShellFace(EngineFace& face, QObject* parent) : QObject(parent), face_(face) {}

void ShellFace::setSelectedSection(SectionName section) { selectSection(static_cast<Section>(section)); }

void ShellFace::selectSection(Section section) { face_.perform(command::SelectSection{section}); }

void ShellFace::setMainWindowVisible(bool visible) { face_.perform(command::ReportMainWindowVisible{visible}); }

void ShellFace::setDashboardVisible(bool visible) { face_.perform(command::ReportDashboardVisible{visible}); }

QString ShellFace::menuBarTemperatureText() const { return qtText(state_.menuBarLabel.temperatureText); }
QString ShellFace::menuBarFanText() const { return qtText(state_.menuBarLabel.fanText); }
QString ShellFace::menuBarHottestSensorText() const { return qtText(state_.menuBarLabel.hottestSensorText); }

QString ShellFace::pendingModeEditorIDText() const { return uuidText(state_.pendingModeEditorID); }
QString ShellFace::pendingModeDeleteIDText() const { return uuidText(state_.pendingModeDeleteID); }

void ShellFace::requestDustCycle() { face_.perform(command::RaiseRequest{command::Request::dustCycle, std::nullopt}); }

void ShellFace::requestModeCreation() {
    face_.perform(command::RaiseRequest{command::Request::modeCreation, std::nullopt});
}

void ShellFace::requestModeEditor(const QString& modeID) {
    if (const auto id = Uuid::parse(modeID.toStdString())) requestModeEditor(*id);
}

void ShellFace::requestModeDelete(const QString& modeID) {
    if (const auto id = Uuid::parse(modeID.toStdString())) requestModeDelete(*id);
}

void ShellFace::requestModeEditor(const Uuid& modeID) {
    face_.perform(command::RaiseRequest{command::Request::modeEditor, modeID});
}

void ShellFace::requestModeDelete(const Uuid& modeID) {
    face_.perform(command::RaiseRequest{command::Request::modeDelete, modeID});
}

bool ShellFace::consumePendingDustCycleRequest() {
    const bool pending = state_.pendingDustCycleRequest;
    if (pending) face_.perform(command::ConsumeRequest{command::Request::dustCycle});
    return pending;
}

bool ShellFace::consumePendingModeCreationRequest() {
    const bool pending = state_.pendingModeCreationRequest;
    if (pending) face_.perform(command::ConsumeRequest{command::Request::modeCreation});
    return pending;
}

std::optional<CustomMode> ShellFace::consumePendingModeEditorID() {
    return consumeMode(state_.pendingModeEditorID, command::Request::modeEditor);
}

std::optional<CustomMode> ShellFace::consumePendingModeDeleteID() {
    return consumeMode(state_.pendingModeDeleteID, command::Request::modeDelete);
}

std::optional<CustomMode> ShellFace::consumeMode(const std::optional<Uuid>& pending, command::Request request) {
    if (!pending) return std::nullopt;
    const CustomMode* mode = face_.modes().customModes().mode(*pending);
    std::optional<CustomMode> found = mode != nullptr ? std::optional<CustomMode>(*mode) : std::nullopt;
    face_.perform(command::ConsumeRequest{request});
    return found;
}

void ShellFace::publish(State next) {
    const State was = std::exchange(state_, std::move(next));
    tellIfChanged(*this, was.selectedSection, state_.selectedSection, &ShellFace::selectedSectionChanged);
    tellIfChanged(*this, was.mainWindowVisible, state_.mainWindowVisible, &ShellFace::mainWindowVisibleChanged);
    tellIfChanged(*this, was.dashboardVisible, state_.dashboardVisible, &ShellFace::dashboardVisibleChanged);
    tellIfChanged(*this, was.pendingDustCycleRequest, state_.pendingDustCycleRequest,
                  &ShellFace::pendingDustCycleRequestChanged);
    tellIfChanged(*this, was.pendingModeCreationRequest, state_.pendingModeCreationRequest,
                  &ShellFace::pendingModeCreationRequestChanged);
    tellIfChanged(*this, was.pendingModeEditorID, state_.pendingModeEditorID, &ShellFace::pendingModeEditorIDChanged);
    tellIfChanged(*this, was.pendingModeDeleteID, state_.pendingModeDeleteID, &ShellFace::pendingModeDeleteIDChanged);
    tellIfChanged(*this, was.menuBarLabel, state_.menuBarLabel, &ShellFace::menuBarLabelChanged);
}

}  // namespace zephrane::face
