#include "ZephraneApp/Modes/ModeEditorModel.hpp"

#include <algorithm>
#include <string>
#include <utility>

#include <QVariantMap>

#include "ZephraneApp/Face/DeviceSensorModel.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Model/ModeSpeedText.hpp"
#include "ZephraneApp/Modes/ModesWatch.hpp"

namespace zephrane::modes {

using face::qtText;

namespace {

QStringList labelsOf(const std::vector<ModeSensorPickerOption>& options) {
    QStringList labels;
    labels.reserve(static_cast<qsizetype>(options.size()));
    for (const ModeSensorPickerOption& option : options) labels << qtText(option.label);
    return labels;
}

int indexOf(const std::vector<ModeSensorPickerOption>& options, const std::string& id) {
    const auto found = std::ranges::find(options, id, &ModeSensorPickerOption::id);
    return found == options.end() ? -1 : static_cast<int>(found - options.begin());
}

const ModeSensorPickerOption* optionAt(const std::vector<ModeSensorPickerOption>& options, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= options.size()) return nullptr;
    return &options[static_cast<std::size_t>(index)];
}

}  // namespace

ModeEditorModel::ModeEditorModel(const face::SensorsFace& sensors, const ReferenceFanRangeWatch& range, QObject* parent)
    : QObject(parent), sensors_(sensors), range_(range) {
    readSensors();
    begin(ModeEditorTarget::newMode());
    told_ = shown();
    onAnyChange(sensors.deviceSensors(), this, [this] {
        readSensors();
        tell();
    });
    // The speed's texts read the range afresh.
    connect(&range, &ReferenceFanRangeWatch::changed, this, [this] { tell(); });
}

void ModeEditorModel::readSensors() {
    std::vector<DeviceSensorReading> readings;
    readings.reserve(sensors_.deviceSensors().rows().size());
    for (const face::DeviceSensorRow& row : sensors_.deviceSensors().rows()) readings.push_back(row.reading);
    triggerOptions_ = modeSensorOptions(readings);
    displayOptions_ = displaySensorOptions(readings);
}

void ModeEditorModel::begin(const ModeEditorTarget& target) {
    if (const auto& mode = target.mode()) {
        isEditing_ = true;
        id_ = mode->id();
        name_ = qtText(mode->name());
        symbolName_ = qtText(mode->symbolName());
        percentage_ = mode->speed().percentage();
        isFixedSpeed_ = mode->speed().kind() == ModeSpeed::Case::fixed;
        controlSensor_ = mode->controlSensor();
        displaySensorChoice_ = mode->displaySensor();
        drivesMainReadout_ = mode->drivesMainReadout();
    } else {
        isEditing_ = false;
        id_ = Uuid::random();
        name_.clear();
        symbolName_ = qtText(CustomMode::curatedSymbolNames.front());
        percentage_ = 0.5;
        isFixedSpeed_ = false;
        controlSensor_ = ModeSensor::source(ControlSource::hottest);
        displaySensorChoice_.reset();
        drivesMainReadout_ = false;
    }
    tell();
}

ModeSpeed ModeEditorModel::speed() const {
    return isFixedSpeed_ ? ModeSpeed::fixed(percentage_) : ModeSpeed::floor(percentage_);
}

CustomMode ModeEditorModel::builtMode() const {
    return CustomMode(id_, name_.trimmed().toStdString(), symbolName_.toStdString(), speed(), controlSensor_,
                      displaySensorChoice_, drivesMainReadout_);
}

QString ModeEditorModel::title() const { return qtText(modeEditorTitle(isEditing_)); }

void ModeEditorModel::setName(const QString& name) {
    name_ = name;
    tell();
}

bool ModeEditorModel::canSave() const { return !name_.trimmed().isEmpty(); }

void ModeEditorModel::setSymbolName(const QString& symbol) {
    symbolName_ = symbol;
    tell();
}

QVariantList ModeEditorModel::symbols() const {
    QVariantList cells;
    for (const std::string_view name : CustomMode::curatedSymbolNames)
        cells << QVariantMap{{"name", qtText(name)}, {"label", qtText(symbolAccessibilityLabel(name))}};
    return cells;
}

void ModeEditorModel::setPercentage(double fraction) {
    percentage_ = fraction;
    tell();
}

void ModeEditorModel::setFixedSpeed(bool fixed) {
    isFixedSpeed_ = fixed;
    tell();
}

QVariantList ModeEditorModel::speedStyles() const {
    QVariantList segments;
    for (const bool fixed : {false, true})
        segments << QVariantMap{{"id", fixed}, {"title", qtText(modeSpeedKindText(fixed))}};
    return segments;
}

QString ModeEditorModel::speedKindText() const { return qtText(modeSpeedKindText(isFixedSpeed_)); }

QString ModeEditorModel::sliderLabel() const { return qtText(modeSpeedSliderLabel(isFixedSpeed_)); }

QString ModeEditorModel::valueText() const { return qtText(speedValueText(speed(), range_.range())); }

QString ModeEditorModel::caption() const {
    return qtText(modeSpeedCaption(isFixedSpeed_, range_.range(), percentage_));
}

QStringList ModeEditorModel::triggerLabels() const { return labelsOf(triggerOptions_); }

int ModeEditorModel::triggerIndex() const {
    return indexOf(triggerOptions_, triggerSelection(triggerOptions_, controlSensor_));
}

QStringList ModeEditorModel::displayLabels() const { return labelsOf(displayOptions_); }

int ModeEditorModel::displayIndex() const {
    return indexOf(displayOptions_, displaySelection(displayOptions_, displaySensorChoice_));
}

void ModeEditorModel::setDrivesMainReadout(bool drives) {
    drivesMainReadout_ = drives;
    tell();
}

void ModeEditorModel::chooseTrigger(int index) {
    const ModeSensorPickerOption* option = optionAt(triggerOptions_, index);
    if (option == nullptr) return;
    const std::optional<ModeSensor> chosen = chosenTrigger(triggerOptions_, option->id);
    if (!chosen) return;
    controlSensor_ = *chosen;
    tell();
}

void ModeEditorModel::chooseDisplay(int index) {
    const ModeSensorPickerOption* option = optionAt(displayOptions_, index);
    displaySensorChoice_ = option != nullptr ? chosenDisplay(displayOptions_, option->id) : std::nullopt;
    tell();
}

ModeEditorModel::Shown ModeEditorModel::shown() const {
    return {isEditing_,     name_,           canSave(),      symbolName_,     percentage_,
            isFixedSpeed_,  valueText(),     caption(),      triggerLabels(), triggerIndex(),
            displayLabels(), displayIndex(), drivesMainReadout_};
}

void ModeEditorModel::tell() {
    const Shown now = shown();
    const Shown was = std::exchange(told_, now);
    if (was.isEditing != now.isEditing) emit isEditingChanged();
    if (was.name != now.name) emit nameChanged();
    if (was.canSave != now.canSave) emit canSaveChanged();
    if (was.symbolName != now.symbolName) emit symbolNameChanged();
    if (was.percentage != now.percentage) emit percentageChanged();
    if (was.isFixedSpeed != now.isFixedSpeed) emit isFixedSpeedChanged();
    if (was.valueText != now.valueText) emit valueTextChanged();
    if (was.caption != now.caption) emit captionChanged();
    if (was.triggerLabels != now.triggerLabels) emit triggerLabelsChanged();
    if (was.triggerIndex != now.triggerIndex) emit triggerIndexChanged();
    if (was.displayLabels != now.displayLabels) emit displayLabelsChanged();
    if (was.displayIndex != now.displayIndex) emit displayIndexChanged();
    if (was.drivesMainReadout != now.drivesMainReadout) emit drivesMainReadoutChanged();
}

}  // namespace zephrane::modes
