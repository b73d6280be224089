// What the menu-bar panel (Panel.qml) shows and does, decided here and
// drawn there: the header's temperature, fan strip, power line and daemon
// caption; the preset tabs, which can be tapped off again to hand the fans
// back to the system; the custom-mode rows and the fan-speed slider; and
// the ways out to the main window.
//
// Inside the floating panel the host gives a bridge: opening the main
// window goes through it and then closes the panel. Anywhere else the main
// window opens through the app's commands and the view asks its host to
// dismiss it (dismissRequested).
#pragma once

#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Model/Section.hpp"
#include "ZephraneApp/Shell/CustomModeRowModel.hpp"
#include "ZephraneApp/Shell/FanSpeedSliderModel.hpp"
#include "ZephraneApp/Shell/MenuBarPanelBridge.hpp"
#include "ZephraneApp/Shell/ShellCommands.hpp"
#include "shared/FanModel.hpp"

namespace zephrane {

class ZephraneMenuBarView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(zephrane::face::EngineFace* face READ face WRITE setFace NOTIFY faceChanged)
    Q_PROPERTY(zephrane::MenuBarPanelBridge* bridge READ bridge WRITE setBridge NOTIFY bridgeChanged)
    Q_PROPERTY(zephrane::ShellCommands* commands READ commands WRITE setCommands NOTIFY commandsChanged)

    // The header.
    Q_PROPERTY(double temperature READ temperature NOTIFY temperatureChanged)  // °C, NaN for none
    Q_PROPERTY(QString unitText READ unitText NOTIFY temperatureChanged)
    Q_PROPERTY(QString digitsText READ digitsText NOTIFY temperatureChanged)
    Q_PROPERTY(double numericRollKey READ numericRollKey NOTIFY temperatureChanged)
    Q_PROPERTY(QString heroValueText READ heroValueText NOTIFY temperatureChanged)
    Q_PROPERTY(bool hasFans READ hasFans NOTIFY fansChanged)
    Q_PROPERTY(QVariantList sortedFanIDs READ sortedFanIDs NOTIFY fansChanged)
    Q_PROPERTY(QVariantList stripFanIDs READ stripFanIDs NOTIFY fansChanged)
    Q_PROPERTY(QString extraFansText READ extraFansText NOTIFY fansChanged)
    Q_PROPERTY(QString fanSummary READ fanSummary NOTIFY fansChanged)
    Q_PROPERTY(bool showsPower READ showsPower NOTIFY powerChanged)
    Q_PROPERTY(QString powerSummary READ powerSummary NOTIFY powerChanged)
    Q_PROPERTY(QString powerSpokenText READ powerSpokenText NOTIFY powerChanged)
    Q_PROPERTY(bool isCharging READ isCharging NOTIFY powerChanged)
    Q_PROPERTY(bool showsStatusCaption READ showsStatusCaption NOTIFY statusCaptionChanged)
    Q_PROPERTY(QString statusCaption READ statusCaption NOTIFY statusCaptionChanged)
    // The panel's fixed words, by name: its buttons' titles, names and
    // hints, the menu entries and the notice shown without fans.
    Q_PROPERTY(QVariantMap labels READ labels CONSTANT)

    // The fan-mode block.
    Q_PROPERTY(QVariantList presetSegments READ presetSegments CONSTANT)
    // The highlighted tab's id ("quiet", "auto", "max"), undefined for none.
    Q_PROPERTY(QVariant selectedPreset READ selectedPreset NOTIFY selectedPresetChanged)
    Q_PROPERTY(zephrane::CustomModeRowModel* modeRows READ modeRows CONSTANT)
    Q_PROPERTY(zephrane::FanSpeedSliderModel* slider READ slider CONSTANT)

public:
    explicit ZephraneMenuBarView(QObject* parent = nullptr);

    face::EngineFace* face() const { return face_; }
    void setFace(face::EngineFace* face);
    MenuBarPanelBridge* bridge() const { return bridge_; }
    void setBridge(MenuBarPanelBridge* bridge);
    ShellCommands* commands() const { return commands_; }
    void setCommands(ShellCommands* commands);

    double temperature() const { return header_.temperature; }
    QString unitText() const { return header_.unitText; }
    QString digitsText() const { return header_.digitsText; }
    double numericRollKey() const { return header_.numericRollKey; }
    QString heroValueText() const { return header_.heroValueText; }
    bool hasFans() const { return !fans_.sortedIDs.isEmpty(); }
    QVariantList sortedFanIDs() const { return fans_.sortedIDs; }
    QVariantList stripFanIDs() const { return fans_.stripIDs; }
    QString extraFansText() const { return fans_.extraText; }
    QString fanSummary() const { return fans_.summary; }
    bool showsPower() const { return power_.shown; }
    QString powerSummary() const { return power_.summary; }
    QString powerSpokenText() const { return power_.spoken; }
    bool isCharging() const { return power_.charging; }
    bool showsStatusCaption() const { return !statusCaption_.isEmpty(); }
    QString statusCaption() const { return statusCaption_; }
    static QVariantMap labels();
    QVariantList presetSegments() const;
    QVariant selectedPreset() const { return selectedPreset_; }
    CustomModeRowModel* modeRows() { return &modeRows_; }
    FanSpeedSliderModel* slider() { return &slider_; }

    // The main window on its current section; the panel then goes.
    Q_INVOKABLE void openMainWindow();
    // The main window on `section` ("sensors", "dashboard", "modes",
    // "settings"), written before the window opens.
    Q_INVOKABLE void openSection(const QString& section);
    void openSection(Section section);
    // A tab tapped: its id, or undefined when the highlighted tab was
    // tapped again.
    Q_INVOKABLE void choosePreset(const QVariant& preset);
    // No preset, no custom mode, and the system's automatic control.
    Q_INVOKABLE void returnToSystemControl();
    // Escape: the panel closes (or its host dismisses it).
    Q_INVOKABLE void cancel();
    Q_INVOKABLE void quit();

signals:
    void faceChanged();
    void bridgeChanged();
    void commandsChanged();
    void temperatureChanged();
    void fansChanged();
    void powerChanged();
    void statusCaptionChanged();
    void selectedPresetChanged();
    // Without a bridge: the host should close the view (the preview window).
    void dismissRequested();

private:
    struct Header {
        double temperature = 0;
        QString unitText;
        QString digitsText;
        double numericRollKey = 0;
        QString heroValueText;
        bool operator==(const Header& other) const;
    };
    struct Fans {
        QVariantList sortedIDs;
        QVariantList stripIDs;
        QString extraText;
        QString summary;
        bool operator==(const Fans&) const = default;
    };
    struct Power {
        bool shown = false;
        QString summary;
        QString spoken;
        bool charging = false;
        bool operator==(const Power&) const = default;
    };

    void refreshHeader();
    void refreshFans();
    void refreshPower();
    void refreshStatusCaption();
    void refreshSelectedPreset();

    QPointer<face::EngineFace> face_;
    QPointer<MenuBarPanelBridge> bridge_;
    QPointer<ShellCommands> commands_;
    Header header_;
    Fans fans_;
    Power power_;
    QString statusCaption_;
    QVariant selectedPreset_;
    CustomModeRowModel modeRows_;
    FanSpeedSliderModel slider_;
};

}  // namespace zephrane
