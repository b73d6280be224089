// The theme as QML sees it: the singleton `Theme` of Zephrane.Design. It
// holds no rules of its own; it resolves the C++ tokens for the current
// appearance and display options, and tells bindings when either changes.
//
// Light or dark: a forced appearance (the command line's), else the
// settings portal's colour scheme, else the palette's lightness. The
// display options come from a DisplayOptionsSource (the desktop's, or a
// fake in tests).
//
// Functions that depend on the appearance or the display options take them
// as arguments (`Theme.sensorTint(id, Theme.dark)`), so that a binding that
// calls them is re-evaluated when they change.
#pragma once

#include <optional>

#include <QColor>
#include <QEasingCurve>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"
#include "ZephraneApp/Model/AccentChoice.hpp"
#include "platform/accessibility/DesktopSettingsPortal.hpp"
#include "platform/accessibility/DisplayOptions.hpp"

class QQmlEngine;
class QJSEngine;

namespace zephrane::design {

class ThemeTokens : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Theme)
    QML_SINGLETON

    Q_PROPERTY(bool dark READ dark NOTIFY appearanceChanged)
    Q_PROPERTY(bool reduceMotion READ reduceMotion NOTIFY displayOptionsChanged)
    Q_PROPERTY(bool reduceTransparency READ reduceTransparency NOTIFY displayOptionsChanged)
    Q_PROPERTY(bool increaseContrast READ increaseContrast NOTIFY displayOptionsChanged)
    Q_PROPERTY(bool systemGlassAvailable READ systemGlassAvailable CONSTANT)

    Q_PROPERTY(QColor accentColor READ accentColor NOTIFY accentChanged)
    Q_PROPERTY(QColor statusGreen READ statusGreen NOTIFY appearanceChanged)
    Q_PROPERTY(QColor statusOrange READ statusOrange NOTIFY appearanceChanged)
    Q_PROPERTY(QColor warningColor READ warningColor NOTIFY appearanceChanged)
    Q_PROPERTY(QColor separatorStroke READ separatorStroke NOTIFY appearanceChanged)
    Q_PROPERTY(QColor windowBackground READ windowBackground NOTIFY appearanceChanged)
    Q_PROPERTY(QColor sliderFill READ sliderFill NOTIFY appearanceChanged)
    Q_PROPERTY(QColor sliderFillSymbol READ sliderFillSymbol NOTIFY appearanceChanged)
    Q_PROPERTY(QColor primary READ primary NOTIFY appearanceChanged)
    Q_PROPERTY(QColor secondary READ secondary NOTIFY appearanceChanged)
    Q_PROPERTY(QColor quaternaryFill READ quaternaryFill NOTIFY appearanceChanged)
    Q_PROPERTY(QColor onAccent READ onAccent CONSTANT)
    Q_PROPERTY(QString symbolFontFamily READ symbolFontFamily CONSTANT)
    Q_PROPERTY(QColor tertiary READ tertiary NOTIFY appearanceChanged)

    Q_PROPERTY(QFont fontCallout READ fontCallout NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontCalloutMedium READ fontCalloutMedium NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontCalloutSemibold READ fontCalloutSemibold NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontBody READ fontBody NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontBodyMedium READ fontBodyMedium NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontBodyDigits READ fontBodyDigits NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontHeadline READ fontHeadline NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontSubheadlineSemibold READ fontSubheadlineSemibold NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontSubheadlineMedium READ fontSubheadlineMedium NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontTitle2Semibold READ fontTitle2Semibold NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontTitle3Semibold READ fontTitle3Semibold NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontCaption2 READ fontCaption2 NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontCaption2Semibold READ fontCaption2Semibold NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontDisplay20 READ fontDisplay20 NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontDisplay24 READ fontDisplay24 NOTIFY fontsChanged)
    Q_PROPERTY(QFont fontDisplay34 READ fontDisplay34 NOTIFY fontsChanged)

public:
    enum Spring { Snappy, Smooth, Bouncy, Readout };
    Q_ENUM(Spring)
    enum Elevation { Low, Medium, High };
    Q_ENUM(Elevation)

    // `options` and `portal` may be null (then all options are off and the
    // palette decides the appearance); neither is owned.
    ThemeTokens(accessibility::DisplayOptionsSource* options, accessibility::DesktopSettingsPortal* portal,
                QObject* parent = nullptr);
    ~ThemeTokens() override;

    // The instance QML uses. Install one before the first QML engine loads
    // the module (the app, a test); otherwise the first use makes one on
    // the desktop's own sources.
    static ThemeTokens& shared();
    static void install(ThemeTokens* theme);
    static ThemeTokens* create(QQmlEngine* qml, QJSEngine* js);

    void setForcedAppearance(std::optional<Theme::Appearance> appearance);
    Theme::Appearance appearance() const { return appearance_; }

    bool dark() const { return appearance_ == Theme::Appearance::dark; }
    accessibility::DisplayOptions displayOptions() const { return options_; }
    bool reduceMotion() const { return options_.reduceMotion; }
    bool reduceTransparency() const { return options_.reduceTransparency; }
    bool increaseContrast() const { return options_.increaseContrast; }
    bool systemGlassAvailable() const { return false; }

    // The app's accent: the user's choice as the engine holds it, which the
    // app hands over whenever it changes (it starts as the system's).
    QColor accentColor() const;
    Theme::AccentChoice accentChoice() const { return accentChoice_; }
    void setAccentChoice(Theme::AccentChoice choice);
    QColor statusGreen() const { return Theme::statusGreen().resolve(appearance_); }
    QColor statusOrange() const { return Theme::statusOrange().resolve(appearance_); }
    QColor warningColor() const { return Theme::warningColor().resolve(appearance_); }
    QColor separatorStroke() const { return Theme::separatorStroke().resolve(appearance_); }
    QColor windowBackground() const { return Theme::windowBackground().resolve(appearance_); }
    QColor sliderFill() const { return Theme::sliderFill().resolve(appearance_); }
    QColor sliderFillSymbol() const { return Theme::sliderFillSymbol().resolve(appearance_); }
    QColor primary() const;
    QColor secondary() const;
    QColor quaternaryFill() const;
    QColor onAccent() const { return Qt::white; }
    QString symbolFontFamily() const;
    QColor tertiary() const;

    QFont fontCallout() const;
    QFont fontCalloutMedium() const;
    QFont fontCalloutSemibold() const;
    QFont fontBody() const;
    QFont fontBodyMedium() const;
    QFont fontBodyDigits() const;
    QFont fontHeadline() const;
    QFont fontSubheadlineSemibold() const;
    QFont fontSubheadlineMedium() const;
    QFont fontTitle2Semibold() const;
    QFont fontTitle3Semibold() const;
    QFont fontCaption2() const;
    QFont fontCaption2Semibold() const;
    QFont fontDisplay20() const;
    QFont fontDisplay24() const;
    QFont fontDisplay34() const;

    // Animations: the spring's, or the short ease-in-out under Reduce Motion.
    Q_INVOKABLE int motionDuration(Spring spring, bool reduceMotion) const;
    Q_INVOKABLE QEasingCurve motionEasing(Spring spring, bool reduceMotion) const;

    Q_INVOKABLE QColor temperatureColor(double celsius) const;
    Q_INVOKABLE QColor adaptiveTemperatureColor(double celsius, bool dark) const;
    Q_INVOKABLE QColor adaptiveTemperatureReadoutColor(double celsius, bool dark) const;
    Q_INVOKABLE QColor sensorTint(const QString& sensorId, bool dark) const;

    // A symbol drawn with text of `font`: a little taller than its letters.
    Q_INVOKABLE double symbolSize(const QFont& font) const;
    // The empty state's symbol and title: the display size and body text
    // in the compact form, larger in the full one.
    Q_INVOKABLE double emptyStateSymbolSize(bool full) const;
    Q_INVOKABLE QFont emptyStateTitleFont(bool full) const;
    // The slider's leading symbol: on the fill once it reaches under it.
    Q_INVOKABLE QColor sliderIconColor(double width, double value, bool dark) const;
    // Push buttons: the accent for the prominent one, a quiet fill otherwise.
    Q_INVOKABLE QColor pushButtonFill(bool prominent, bool dark) const;
    Q_INVOKABLE QColor pushButtonText(bool prominent, bool dark) const;

    // A plate's shadow layers: [opacity, blur radius, offset down] twice.
    Q_INVOKABLE QList<qreal> shadowLayers(Elevation tier, bool dark) const;

signals:
    void appearanceChanged();
    void displayOptionsChanged();
    void accentChanged();
    void fontsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reconsiderAppearance();
    void reconsiderOptions();
    QFont font(int token) const;

    QPointer<accessibility::DisplayOptionsSource> optionsSource_;
    QPointer<accessibility::DesktopSettingsPortal> portal_;
    std::optional<Theme::Appearance> forced_;
    Theme::Appearance appearance_ = Theme::Appearance::light;
    accessibility::DisplayOptions options_;
    double textScale_ = 1.0;
    Theme::AccentChoice accentChoice_ = Theme::AccentChoice::system;
};

}  // namespace zephrane::design
