#include "ZephraneApp/Modes/ModesScreen.hpp"

#include <utility>

#include <QQmlEngine>

#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Modes/ModesText.hpp"
#include "platform/oslog/OSLog.hpp"
#include "shared/FanModel.hpp"

namespace zephrane::modes {

using face::qtText;

namespace {

// The screen's and its rows' one logger, made on first use.
const oslog::Logger& lifecycleLog() { return oslog::logger("com.zephrane.app", "lifecycle"); }

}  // namespace

ModesScreen::ModesScreen(QObject* parent) : QObject(parent) {}

ModesScreen::ModesScreen(face::EngineFace& face, QObject* parent) : QObject(parent) { attach(face); }

ModesScreen::~ModesScreen() = default;

void ModesScreen::classBegin() {
    complete_ = false;
    if (face_ != nullptr) return;
    if (face::EngineFace* face = face::EngineFace::create(qmlEngine(this), nullptr)) attach(*face);
}

void ModesScreen::componentComplete() {
    complete_ = true;
    if (takesRequests()) appear();
}

void ModesScreen::attach(face::EngineFace& face) {
    face_ = &face;
    range_ = new ReferenceFanRangeWatch(face.drive(), this);
    rows_ = new ModeRowsModel(face, *range_, this);
    templates_ = new ModeTemplateModel(*range_, this);
    editor_ = new ModeEditorModel(face.sensors(), *range_, this);

    hadModes_ = hasModes();
    countText_ = countText();
    connect(&face.modes().customModes(), &face::FaceListModel::countChanged, this, [this] {
        const bool hadModes = std::exchange(hadModes_, hasModes());
        const QString hadText = std::exchange(countText_, countText());
        if (hadModes != hadModes_) emit hasModesChanged();
        if (hadText != countText_) emit countTextChanged();
    });
    connect(&face.drive(), &face::DriveFace::hasFansChanged, this, &ModesScreen::canEngageChanged);

    const face::ShellFace& shell = face.shell();
    connect(&shell, &face::ShellFace::pendingModeCreationRequestChanged, this, [this] {
        if (takesRequests()) takeCreationRequest();
    });
    connect(&shell, &face::ShellFace::pendingModeEditorIDChanged, this, [this] {
        if (takesRequests()) takeEditorRequest();
    });
    connect(&shell, &face::ShellFace::pendingModeDeleteIDChanged, this, [this] {
        if (takesRequests()) takeDeleteRequest();
    });
}

bool ModesScreen::hasModes() const { return face_ != nullptr && face_->modes().customModes().count() > 0; }

QString ModesScreen::countText() const {
    if (face_ == nullptr) return {};
    return qtText(modeCountText(static_cast<std::size_t>(face_->modes().customModes().count())));
}

bool ModesScreen::canEngage() const { return face_ != nullptr && face_->drive().hasFans(); }

QString ModesScreen::modeDisabledReason() const { return qtText(modes::modeDisabledReason(canEngage()).value_or("")); }

void ModesScreen::setShown(bool shown) {
    if (shown == shown_) return;
    shown_ = shown;
    emit shownChanged();
    if (takesRequests()) appear();
}

QString ModesScreen::editorTargetIdentity() const {
    return editorTarget_ ? qtText(editorTarget_->identity()) : QString();
}

QString ModesScreen::deleteMessage() const {
    return qtText(deleteConfirmationMessage(pendingDelete_ ? pendingDelete_->name() : std::string()));
}

void ModesScreen::appear() {
    if (face_ == nullptr) return;
    // A later target replaces an earlier one: a pending editor request wins
    // over a pending creation request.
    takeCreationRequest();
    takeEditorRequest();
    takeDeleteRequest();
}

void ModesScreen::takeCreationRequest() {
    if (face_->shell().consumePendingModeCreationRequest()) setEditorTarget(ModeEditorTarget::newMode());
}

void ModesScreen::takeEditorRequest() {
    if (auto mode = face_->shell().consumePendingModeEditorID()) setEditorTarget(ModeEditorTarget::edit(std::move(*mode)));
}

void ModesScreen::takeDeleteRequest() {
    if (auto mode = face_->shell().consumePendingModeDeleteID()) setPendingDelete(std::move(mode));
}

void ModesScreen::setEditorTarget(ModeEditorTarget target) {
    // The sheet is one per target identity: asking again for the target it
    // shows keeps what the user has typed.
    if (editorTarget_ && editorTarget_->identity() == target.identity()) return;
    editor_->begin(target);
    editorTarget_ = std::move(target);
    emit editorTargetChanged();
}

void ModesScreen::setPendingDelete(std::optional<CustomMode> mode) {
    if (mode == pendingDelete_) return;
    pendingDelete_ = std::move(mode);
    emit pendingDeleteChanged();
}

std::optional<CustomMode> ModesScreen::listedMode(const QString& modeId) const {
    if (face_ == nullptr) return std::nullopt;
    const auto id = Uuid::parse(modeId.toStdString());
    const CustomMode* mode = id ? face_->modes().customModes().mode(*id) : nullptr;
    return mode != nullptr ? std::optional<CustomMode>(*mode) : std::nullopt;
}

void ModesScreen::newMode() {
    if (face_ != nullptr) setEditorTarget(ModeEditorTarget::newMode());
}

void ModesScreen::editMode(const QString& modeId) {
    if (auto mode = listedMode(modeId)) setEditorTarget(ModeEditorTarget::edit(std::move(*mode)));
}

void ModesScreen::duplicateMode(const QString& modeId) {
    if (face_ != nullptr) face_->modes().duplicateCustomMode(modeId);
}

void ModesScreen::askToDelete(const QString& modeId) {
    if (auto mode = listedMode(modeId)) setPendingDelete(std::move(mode));
}

void ModesScreen::confirmDelete() {
    if (pendingDelete_ && face_ != nullptr) face_->modes().deleteCustomMode(qtText(pendingDelete_->id().uuidString()));
    setPendingDelete(std::nullopt);
}

void ModesScreen::cancelDelete() { setPendingDelete(std::nullopt); }

void ModesScreen::engageOrDisengageMode(const QString& modeId, bool isActive) {
    if (face_ == nullptr) return;
    if (!isActive) {
        face_->modes().selectCustomMode(modeId);
        return;
    }
    // Back to the system's automatic control, as the dashboard's picker
    // does: no preset (written only when one is set), no custom mode, then
    // the system's own profile.
    face_->drive().clearActivePreset();
    face_->perform(face::command::ClearActiveCustomMode{});
    face_->drive().applyProfile(FanProfile::appleAuto());
}

void ModesScreen::addFromTemplate(int index) {
    const auto& templates = CustomMode::templates();
    if (face_ == nullptr || index < 0 || static_cast<std::size_t>(index) >= templates.size()) return;
    const CustomMode& model = templates[static_cast<std::size_t>(index)];
    face_->modes().addCustomMode(CustomMode(Uuid::random(), model.name(), model.symbolName(), model.speed(),
                                            model.controlSensor(), model.displaySensor(), model.drivesMainReadout()));
}

void ModesScreen::saveEditedMode() {
    if (!editorTarget_ || !editor_->canSave()) return;
    CustomMode mode = editor_->builtMode();
    if (editorTarget_->isNew())
        face_->modes().addCustomMode(std::move(mode));
    else
        face_->modes().updateCustomMode(std::move(mode));
    closeEditor();
}

void ModesScreen::closeEditor() {
    if (!editorTarget_) return;
    editorTarget_.reset();
    emit editorTargetChanged();
}

void ModeRowLog::editTapped() const { lifecycleLog().info("mode edit tapped"); }

void ModeRowLog::deleteTapped() const { lifecycleLog().info("mode delete tapped"); }

}  // namespace zephrane::modes
