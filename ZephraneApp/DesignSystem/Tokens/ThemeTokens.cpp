#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"

#include <QDBusConnection>
#include <QEvent>
#include <QGuiApplication>
#include <QJSEngine>
#include <QPalette>
#include <QQmlEngine>

#include "ZephraneApp/DesignSystem/Tokens/AccentColor.hpp"
#include "ZephraneApp/DesignSystem/Tokens/SensorTint.hpp"
#include "ZephraneApp/DesignSystem/Tokens/HeatColors.hpp"
#include "ZephraneApp/DesignSystem/Tokens/Motion.hpp"
#include "ZephraneApp/DesignSystem/Controls/SliderRules.hpp"
#include "ZephraneApp/DesignSystem/Tokens/Surfaces.hpp"
#include "ZephraneApp/DesignSystem/Tokens/SymbolTable.hpp"
#include "ZephraneApp/DesignSystem/Tokens/Typography.hpp"
#include "platform/accessibility/AccessibilitySettings.hpp"

namespace zephrane::design {
namespace {

ThemeTokens*& installed() {
    static ThemeTokens* theme = nullptr;
    return theme;
}

Theme::SpringToken springToken(ThemeTokens::Spring spring) {
    switch (spring) {
        case ThemeTokens::Snappy: return Theme::SpringToken::snappy;
        case ThemeTokens::Smooth: return Theme::SpringToken::smooth;
        case ThemeTokens::Bouncy: return Theme::SpringToken::bouncy;
        case ThemeTokens::Readout: return Theme::SpringToken::readout;
    }
    return Theme::SpringToken::snappy;
}

Theme::Appearance appearanceFor(bool dark) { return dark ? Theme::Appearance::dark : Theme::Appearance::light; }

std::optional<Theme::PortalColorScheme> portalScheme(const accessibility::DesktopSettingsPortal* portal) {
    if (portal == nullptr || !portal->readings().colorScheme) return std::nullopt;
    return static_cast<Theme::PortalColorScheme>(*portal->readings().colorScheme);
}

double desktopTextScale() { return Theme::textScale(QGuiApplication::font().pointSizeF()); }

}  // namespace

ThemeTokens::ThemeTokens(accessibility::DisplayOptionsSource* options, accessibility::DesktopSettingsPortal* portal,
                         QObject* parent)
    : QObject(parent), optionsSource_(options), portal_(portal) {
    if (optionsSource_) {
        options_ = optionsSource_->options();
        connect(optionsSource_, &accessibility::DisplayOptionsSource::optionsChanged, this,
                &ThemeTokens::reconsiderOptions);
    }
    if (portal_)
        connect(portal_, &accessibility::DesktopSettingsPortal::readingsChanged, this,
                &ThemeTokens::reconsiderAppearance);
    appearance_ = Theme::resolveAppearance(forced_, portalScheme(portal_),
                                           QGuiApplication::palette().color(QPalette::Window));
    textScale_ = desktopTextScale();
    qApp->installEventFilter(this);
}

ThemeTokens::~ThemeTokens() {
    if (installed() == this) installed() = nullptr;
}

ThemeTokens& ThemeTokens::shared() {
    if (installed() == nullptr) {
        // The desktop's own sources, for the life of the process.
        auto* portal = new accessibility::DesktopSettingsPortal(QDBusConnection::sessionBus(), qApp);
        auto* options = new accessibility::AccessibilitySettings(
            accessibility::environmentOverrides(), accessibility::AccessibilitySettings::defaultPreferenceFile(),
            portal, qApp);
        installed() = new ThemeTokens(options, portal, qApp);
    }
    return *installed();
}

void ThemeTokens::install(ThemeTokens* theme) { installed() = theme; }

ThemeTokens* ThemeTokens::create(QQmlEngine*, QJSEngine*) {
    ThemeTokens* theme = &shared();
    QJSEngine::setObjectOwnership(theme, QJSEngine::CppOwnership);
    return theme;
}

void ThemeTokens::setForcedAppearance(std::optional<Theme::Appearance> appearance) {
    forced_ = appearance;
    reconsiderAppearance();
}

bool ThemeTokens::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
        reconsiderAppearance();
        emit accentChanged();  // the system accent is the palette's highlight
    } else if (watched == qApp && event->type() == QEvent::ApplicationFontChange) {
        const double scale = desktopTextScale();
        if (scale != textScale_) {
            textScale_ = scale;
            emit fontsChanged();
        }
    }
    return QObject::eventFilter(watched, event);
}

void ThemeTokens::reconsiderAppearance() {
    const Theme::Appearance appearance = Theme::resolveAppearance(
        forced_, portalScheme(portal_), QGuiApplication::palette().color(QPalette::Window));
    if (appearance == appearance_) return;
    appearance_ = appearance;
    emit appearanceChanged();
}

void ThemeTokens::reconsiderOptions() {
    const accessibility::DisplayOptions options = optionsSource_ ? optionsSource_->options() : options_;
    if (options == options_) return;
    options_ = options;
    emit displayOptionsChanged();
}

QColor ThemeTokens::accentColor() const { return Theme::color(accentChoice_); }

void ThemeTokens::setAccentChoice(Theme::AccentChoice choice) {
    if (choice == accentChoice_) return;
    accentChoice_ = choice;
    emit accentChanged();
}
QColor ThemeTokens::primary() const { return Theme::systemColor(Theme::SystemColor::primaryLabel).resolve(appearance_); }
QColor ThemeTokens::secondary() const {
    return Theme::systemColor(Theme::SystemColor::secondaryLabel).resolve(appearance_);
}
QColor ThemeTokens::quaternaryFill() const {
    return Theme::systemColor(Theme::SystemColor::quaternaryFill).resolve(appearance_);
}

QColor ThemeTokens::tertiary() const {
    return Theme::systemColor(Theme::SystemColor::tertiaryLabel).resolve(appearance_);
}

QFont ThemeTokens::font(int token) const { return Theme::makeFont(static_cast<Theme::FontToken>(token), textScale_); }
QFont ThemeTokens::fontCallout() const { return font(static_cast<int>(Theme::FontToken::callout)); }
QFont ThemeTokens::fontCalloutMedium() const { return font(static_cast<int>(Theme::FontToken::calloutMedium)); }
QFont ThemeTokens::fontCalloutSemibold() const { return font(static_cast<int>(Theme::FontToken::calloutSemibold)); }
QFont ThemeTokens::fontBody() const { return font(static_cast<int>(Theme::FontToken::body)); }
QFont ThemeTokens::fontBodyMedium() const { return font(static_cast<int>(Theme::FontToken::bodyMedium)); }
QFont ThemeTokens::fontBodyDigits() const { return font(static_cast<int>(Theme::FontToken::bodyDigits)); }
QFont ThemeTokens::fontHeadline() const { return font(static_cast<int>(Theme::FontToken::headline)); }
QFont ThemeTokens::fontSubheadlineSemibold() const {
    return font(static_cast<int>(Theme::FontToken::subheadlineSemibold));
}
QFont ThemeTokens::fontSubheadlineMedium() const { return font(static_cast<int>(Theme::FontToken::subheadlineMedium)); }
QFont ThemeTokens::fontTitle2Semibold() const { return font(static_cast<int>(Theme::FontToken::title2Semibold)); }
QFont ThemeTokens::fontTitle3Semibold() const { return font(static_cast<int>(Theme::FontToken::title3Semibold)); }
QFont ThemeTokens::fontCaption2() const { return font(static_cast<int>(Theme::FontToken::caption2)); }
QFont ThemeTokens::fontCaption2Semibold() const { return font(static_cast<int>(Theme::FontToken::caption2Semibold)); }
QFont ThemeTokens::fontDisplay20() const { return font(static_cast<int>(Theme::FontToken::display20)); }
QFont ThemeTokens::fontDisplay24() const { return font(static_cast<int>(Theme::FontToken::display24)); }
QFont ThemeTokens::fontDisplay34() const { return font(static_cast<int>(Theme::FontToken::display34)); }

int ThemeTokens::motionDuration(Spring spring, bool reduceMotion) const {
    return static_cast<int>(Theme::motion(springToken(spring), reduceMotion).duration.count());
}

QEasingCurve ThemeTokens::motionEasing(Spring spring, bool reduceMotion) const {
    return Theme::motion(springToken(spring), reduceMotion).easing;
}

QColor ThemeTokens::temperatureColor(double celsius) const { return Theme::temperatureColor(celsius); }

QColor ThemeTokens::adaptiveTemperatureColor(double celsius, bool isDark) const {
    return Theme::adaptiveTemperatureColor(celsius).resolve(appearanceFor(isDark));
}

QColor ThemeTokens::adaptiveTemperatureReadoutColor(double celsius, bool isDark) const {
    return Theme::adaptiveTemperatureReadoutColor(celsius).resolve(appearanceFor(isDark));
}

QColor ThemeTokens::sensorTint(const QString& sensorId, bool isDark) const {
    return Theme::systemColor(zephrane::sensorTint(sensorId.toStdString())).resolve(appearanceFor(isDark));
}

QString ThemeTokens::symbolFontFamily() const { return kSymbolFontFamily; }

double ThemeTokens::symbolSize(const QFont& font) const { return font.pixelSize() * 1.25; }

double ThemeTokens::emptyStateSymbolSize(bool full) const {
    return symbolSize(full ? fontDisplay34() : fontDisplay24());
}

QFont ThemeTokens::emptyStateTitleFont(bool full) const { return full ? fontTitle2Semibold() : fontBody(); }

QColor ThemeTokens::sliderIconColor(double width, double value, bool isDark) const {
    const Theme::Appearance a = appearanceFor(isDark);
    return sliderIconOnFill(width, value) ? Theme::sliderFillSymbol().resolve(a)
                                          : Theme::systemColor(Theme::SystemColor::secondaryLabel).resolve(a);
}

QColor ThemeTokens::pushButtonFill(bool prominent, bool isDark) const {
    return prominent ? accentColor()
                     : Theme::systemColor(Theme::SystemColor::quaternaryFill).resolve(appearanceFor(isDark));
}

QColor ThemeTokens::pushButtonText(bool prominent, bool isDark) const {
    return prominent ? onAccent() : Theme::systemColor(Theme::SystemColor::primaryLabel).resolve(appearanceFor(isDark));
}

QList<qreal> ThemeTokens::shadowLayers(Elevation tier, bool isDark) const {
    QList<qreal> numbers;
    for (const Theme::ShadowLayer& layer : Theme::shadowLayers(static_cast<Theme::Elevation>(tier), appearanceFor(isDark)))
        numbers << layer.opacity << layer.blurRadius << layer.offsetY;
    return numbers;
}

}  // namespace zephrane::design
