// One preset's group in the Speed Limits section: its name and its two cap
// sliders, on AC and on battery. A slider reads the preset's stored cap
// (1.0 when the engine stores none for the preset) and writes only its own
// power source's cap; the engine keeps the other one.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/PreferencesFace.hpp"

namespace zephrane::settingsview {

class PresetCapGroup : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(zephrane::face::PreferencesFace* preferences READ preferences WRITE setPreferences NOTIFY
                   preferencesChanged)
    Q_PROPERTY(Preset preset READ preset WRITE setPreset NOTIFY capsChanged)
    Q_PROPERTY(QString name READ name NOTIFY capsChanged)
    Q_PROPERTY(double acCap READ acCap NOTIFY capsChanged)
    Q_PROPERTY(double batteryCap READ batteryCap NOTIFY capsChanged)
    Q_PROPERTY(QString acText READ acText NOTIFY capsChanged)
    Q_PROPERTY(QString batteryText READ batteryText NOTIFY capsChanged)
    // The sliders' lower end, a fraction of the fan range.
    Q_PROPERTY(double minimumCap READ minimumCap CONSTANT)

public:
    // The presets the section shows; Max always runs at 100 %.
    enum Preset { Quiet, Balanced };
    Q_ENUM(Preset)

    explicit PresetCapGroup(QObject* parent = nullptr);

    face::PreferencesFace* preferences() const { return preferences_; }
    void setPreferences(face::PreferencesFace* preferences);
    Preset preset() const { return preset_; }
    void setPreset(Preset preset);

    static double minimumCap() { return 0.1; }
    QString name() const;
    double acCap() const;
    double batteryCap() const;
    QString acText() const;
    QString batteryText() const;

    Q_INVOKABLE void setAcCap(double cap);
    Q_INVOKABLE void setBatteryCap(double cap);

signals:
    void preferencesChanged();
    void capsChanged();

private:
    FanPreset fanPreset() const;

    QPointer<face::PreferencesFace> preferences_;
    Preset preset_ = Quiet;
};

}  // namespace zephrane::settingsview
