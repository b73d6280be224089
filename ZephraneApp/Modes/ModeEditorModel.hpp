// The mode editor sheet's state and what it shows: the name, the symbol,
// the speed's kind and share with their texts, the trigger and display
// sensors with their pickers' entries, and the main-readout flag. Nothing
// reaches the engine from here: the modes screen takes builtMode() on Save
// and decides between adding and updating.
//
// begin() fills the state afresh for a target, as a new sheet would; a new
// mode's id is made there, once, so Save always hands over the identity the
// sheet was opened with. Every property tells its change only when what it
// shows changed.
#pragma once

#include <optional>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Modes/ModeEditorRules.hpp"
#include "shared/CustomMode.hpp"
#include "shared/Uuid.hpp"

namespace zephrane::face {
class SensorsFace;
}

namespace zephrane::modes {

class ReferenceFanRangeWatch;

class ModeEditorModel final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("the modes screen makes its editor")
    Q_PROPERTY(bool isEditing READ isEditing NOTIFY isEditingChanged)
    Q_PROPERTY(QString title READ title NOTIFY isEditingChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(bool canSave READ canSave NOTIFY canSaveChanged)
    Q_PROPERTY(QString symbolName READ symbolName WRITE setSymbolName NOTIFY symbolNameChanged)
    // [{name, label}] for each symbol offered, in order.
    Q_PROPERTY(QVariantList symbols READ symbols CONSTANT)
    Q_PROPERTY(double percentage READ percentage WRITE setPercentage NOTIFY percentageChanged)
    Q_PROPERTY(bool isFixedSpeed READ isFixedSpeed WRITE setFixedSpeed NOTIFY isFixedSpeedChanged)
    // [{id, title}]: Minimum (false), Fixed (true).
    Q_PROPERTY(QVariantList speedStyles READ speedStyles CONSTANT)
    Q_PROPERTY(QString speedKindText READ speedKindText NOTIFY isFixedSpeedChanged)
    Q_PROPERTY(QString sliderLabel READ sliderLabel NOTIFY isFixedSpeedChanged)
    Q_PROPERTY(QString valueText READ valueText NOTIFY valueTextChanged)
    Q_PROPERTY(QString caption READ caption NOTIFY captionChanged)
    Q_PROPERTY(QStringList triggerLabels READ triggerLabels NOTIFY triggerLabelsChanged)
    Q_PROPERTY(int triggerIndex READ triggerIndex NOTIFY triggerIndexChanged)
    Q_PROPERTY(QStringList displayLabels READ displayLabels NOTIFY displayLabelsChanged)
    Q_PROPERTY(int displayIndex READ displayIndex NOTIFY displayIndexChanged)
    Q_PROPERTY(bool drivesMainReadout READ drivesMainReadout WRITE setDrivesMainReadout NOTIFY
                   drivesMainReadoutChanged)

public:
    ModeEditorModel(const face::SensorsFace& sensors, const ReferenceFanRangeWatch& range, QObject* parent);

    // Fresh state for `target`: the mode's fields, or a blank mode with a new id.
    void begin(const ModeEditorTarget& target);
    // The mode Save hands over: the trimmed name and the state as it stands.
    CustomMode builtMode() const;
    const Uuid& modeId() const { return id_; }
    const ModeSensor& controlSensor() const { return controlSensor_; }
    const std::optional<ModeSensor>& displaySensorChoice() const { return displaySensorChoice_; }

    bool isEditing() const { return isEditing_; }
    QString title() const;
    QString name() const { return name_; }
    void setName(const QString& name);
    // Save needs a name that is not empty once trimmed of white space.
    bool canSave() const;
    QString symbolName() const { return symbolName_; }
    void setSymbolName(const QString& symbol);
    QVariantList symbols() const;
    double percentage() const { return percentage_; }
    void setPercentage(double fraction);
    bool isFixedSpeed() const { return isFixedSpeed_; }
    void setFixedSpeed(bool fixed);
    QVariantList speedStyles() const;
    QString speedKindText() const;
    QString sliderLabel() const;
    QString valueText() const;
    QString caption() const;
    QStringList triggerLabels() const;
    int triggerIndex() const;
    QStringList displayLabels() const;
    int displayIndex() const;
    bool drivesMainReadout() const { return drivesMainReadout_; }
    void setDrivesMainReadout(bool drives);

    // The user picked the entry at `index` of a picker as it now stands.
    Q_INVOKABLE void chooseTrigger(int index);
    Q_INVOKABLE void chooseDisplay(int index);

signals:
    void isEditingChanged();
    void nameChanged();
    void canSaveChanged();
    void symbolNameChanged();
    void percentageChanged();
    void isFixedSpeedChanged();
    void valueTextChanged();
    void captionChanged();
    void triggerLabelsChanged();
    void triggerIndexChanged();
    void displayLabelsChanged();
    void displayIndexChanged();
    void drivesMainReadoutChanged();

private:
    // Everything shown, to tell after a change what did change since it
    // was last told.
    struct Shown {
        bool isEditing;
        QString name;
        bool canSave;
        QString symbolName;
        double percentage;
        bool isFixedSpeed;
        QString valueText;
        QString caption;
        QStringList triggerLabels;
        int triggerIndex;
        QStringList displayLabels;
        int displayIndex;
        bool drivesMainReadout;
    };
    Shown shown() const;
    void tell();
    void readSensors();
    ModeSpeed speed() const;

    const face::SensorsFace& sensors_;
    const ReferenceFanRangeWatch& range_;
    std::vector<ModeSensorPickerOption> triggerOptions_;
    std::vector<ModeSensorPickerOption> displayOptions_;

    bool isEditing_ = false;
    Uuid id_;
    QString name_;
    QString symbolName_;
    double percentage_ = 0.5;
    bool isFixedSpeed_ = false;
    ModeSensor controlSensor_ = ModeSensor::source(ControlSource::hottest);
    std::optional<ModeSensor> displaySensorChoice_;
    bool drivesMainReadout_ = false;
    Shown told_{};
};

}  // namespace zephrane::modes
