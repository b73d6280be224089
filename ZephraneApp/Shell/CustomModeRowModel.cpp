#include "ZephraneApp/Shell/CustomModeRowModel.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "ZephraneApp/Face/CustomModeModel.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Shell/ModelChanges.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane {

namespace command = face::command;

namespace {

// What a mode without a reading shows in place of its temperature.
constexpr std::string_view kNoTemperature = "\u2014";

}  // namespace

CustomModeRowModel::CustomModeRowModel(QObject* parent)
    : RowListModel({"modeId", "name", "valueText", "hint", "active", "inert", "editLabel"}, parent) {}

void CustomModeRowModel::setFace(face::EngineFace* face) {
    if (face_ == face) return;
    if (face_) {
        for (QObject* source : std::initializer_list<QObject*>{
                 &face_->modes(), &face_->modes().customModes(), &face_->drive().fans(), &face_->sensors(),
                 &face_->sensors().deviceSensors(), &face_->preferences()})
            disconnect(source, nullptr, this, nullptr);
    }
    face_ = face;
    if (face_) {
        const auto refresh = &CustomModeRowModel::refresh;
        connect(&face_->modes(), &face::ModesFace::activeCustomModeIDChanged, this, refresh);
        onAnyChange(face_->modes().customModes(), this, refresh);
        onAnyChange(face_->drive().fans(), this, refresh);
        connect(&face_->sensors(), &face::SensorsFace::temperaturesChanged, this, refresh);
        onAnyChange(face_->sensors().deviceSensors(), this, refresh);
        connect(&face_->preferences(), &face::PreferencesFace::useFahrenheitChanged, this, refresh);
        connect(&face_->preferences(), &face::PreferencesFace::preciseTemperaturesChanged, this, refresh);
    }
    refresh();
}

QString CustomModeRowModel::temperatureText(const CustomMode& mode) const {
    const ModeSensor& sensor = mode.displaySensor() ? *mode.displaySensor() : mode.controlSensor();
    const std::optional<double> celsius = face_->sensors().temperature(sensor);
    if (!celsius || !std::isfinite(*celsius)) return face::qtText(kNoTemperature);
    const auto& preferences = face_->preferences().state();
    return face::qtText(TemperatureFormat::display(*celsius, preferences.useFahrenheit, preferences.preciseTemperatures));
}

void CustomModeRowModel::refresh() {
    std::vector<PanelModeRow> wanted;
    bool more = false;
    if (face_) {
        const auto& modes = face_->modes().customModes().rows();
        const std::optional<FanRange> range = face_->drive().referenceFanRange();
        const std::optional<Uuid>& activeID = face_->modes().activeCustomModeID();
        const bool inert = !face_->drive().hasFans();
        for (const face::CustomModeRow& row : modes) {
            if (wanted.size() == kListedModes) break;
            const CustomMode& mode = row.mode;
            wanted.push_back({.id = mode.id(),
                              .name = face::qtText(mode.name()),
                              .valueText = face::qtText(speedValueText(mode.speed(), range)),
                              .hint = face::qtText(modeSpeedSummary(mode.speed(), range)) + ", " +
                                      temperatureText(mode),
                              .active = activeID == mode.id(),
                              .inert = inert});
        }
        more = modes.size() > kListedModes;
    }
    apply(
        wanted, [](const PanelModeRow& row) -> const Uuid& { return row.id; },
        [](const PanelModeRow& row) -> const Uuid& { return row.id; },
        [](PanelModeRow& row, const PanelModeRow& next) {
            face::RoleMask changed = 0;
            if (row.name != next.name) changed |= face::roleBit(EditLabelRole);
            face::refreshField(row.name, next.name, NameRole, changed);
            face::refreshField(row.valueText, next.valueText, ValueTextRole, changed);
            face::refreshField(row.hint, next.hint, HintRole, changed);
            face::refreshField(row.active, next.active, ActiveRole, changed);
            face::refreshField(row.inert, next.inert, InertRole, changed);
            return changed;
        },
        [](const PanelModeRow& row) { return row; });
    if (more != showsAllModesLink_) {
        showsAllModesLink_ = more;
        emit showsAllModesLinkChanged();
    }
}

QVariant CustomModeRowModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const PanelModeRow& row = rowAt(index);
    switch (role) {
        case ModeIdRole: return face::qtText(row.id.uuidString());
        case NameRole: return row.name;
        case ValueTextRole: return row.valueText;
        case HintRole: return row.hint;
        case ActiveRole: return row.active;
        case InertRole: return row.inert;
        case EditLabelRole: return QStringLiteral("Edit ") + row.name;
        default: return {};
    }
}

const PanelModeRow* CustomModeRowModel::at(int row) const {
    if (row < 0 || row >= rowCount()) return nullptr;
    return &rows()[static_cast<std::size_t>(row)];
}

void CustomModeRowModel::activate(int row) {
    const PanelModeRow* mode = at(row);
    if (mode == nullptr || !face_ || mode->inert) return;
    if (mode->active) {
        if (actions_.returnToSystemControl) actions_.returnToSystemControl();
        return;
    }
    face_->modes().selectCustomMode(mode->id);
}

void CustomModeRowModel::edit(int row) { leaveForModesScreen(row, command::Request::modeEditor); }

void CustomModeRowModel::duplicate(int row) {
    const PanelModeRow* mode = at(row);
    if (mode == nullptr || !face_) return;
    face_->modes().duplicateCustomMode(face::qtText(mode->id.uuidString()));
}

void CustomModeRowModel::requestDelete(int row) { leaveForModesScreen(row, command::Request::modeDelete); }

void CustomModeRowModel::leaveForModesScreen(int row, command::Request request) {
    const PanelModeRow* mode = at(row);
    if (mode == nullptr || !face_) return;
    // The request first: the Modes screen finds it when it shows.
    face_->perform(command::RaiseRequest{request, mode->id});
    if (actions_.openSection) actions_.openSection(Section::modes);
}

}  // namespace zephrane
