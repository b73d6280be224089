#include "ZephraneApp/DesignSystem/Controls/DesignRules.hpp"

#include <optional>
#include <vector>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewRules.hpp"
#include "ZephraneApp/DesignSystem/Controls/EmptyStateText.hpp"
#include "ZephraneApp/DesignSystem/Controls/IconChipRules.hpp"
#include "ZephraneApp/DesignSystem/Controls/Interaction.hpp"
#include "ZephraneApp/DesignSystem/Controls/LinearTrackGeometry.hpp"
#include "ZephraneApp/DesignSystem/Controls/SelectableSwatchRules.hpp"
#include "ZephraneApp/DesignSystem/Controls/SliderRules.hpp"
#include "ZephraneApp/DesignSystem/Tokens/Surfaces.hpp"
#include "ZephraneApp/DesignSystem/Controls/TabsRules.hpp"
#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/WindowCompositing.hpp"

namespace zephrane::design {
namespace {

MoveDirection direction(int key) {
    switch (key) {
        case Qt::Key_Up: return MoveDirection::up;
        case Qt::Key_Down: return MoveDirection::down;
        case Qt::Key_Left: return MoveDirection::left;
        case Qt::Key_Right: return MoveDirection::right;
        default: return MoveDirection::none;
    }
}

HoverLayer layer(DesignRules::HoverStyle style, bool hovering, bool dark) {
    return hoverLayer(static_cast<HoverStyle>(style), hovering, dark ? Theme::Appearance::dark : Theme::Appearance::light);
}

// undefined and null from QML are no id at all.
std::optional<QVariant> id(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return std::nullopt;
    return v;
}

QVariant toQml(const std::optional<QVariant>& v) { return v.value_or(QVariant()); }

}  // namespace

DesignRules::DesignRules(QObject* parent) : QObject(parent) {}

double DesignRules::pressScale(bool pressed) const { return design::pressScale(pressed); }
double DesignRules::enabledOpacity(bool enabled) const { return design::enabledOpacity(enabled); }

bool DesignRules::hoverDrawn(HoverStyle style, bool hovering) const { return layer(style, hovering, false).drawn; }
bool DesignRules::hoverAbove(HoverStyle style) const { return layer(style, true, false).aboveContent; }
bool DesignRules::hoverGlass(HoverStyle style) const { return layer(style, true, false).glass; }
QColor DesignRules::hoverFill(HoverStyle style, bool hovering, bool dark) const {
    return layer(style, hovering, dark).fill;
}

int DesignRules::hoverZ(HoverStyle style) const { return hoverAbove(style) ? 1 : -1; }
double DesignRules::hoverOpacity(HoverStyle style, bool hovering) const {
    return hoverDrawn(style, hovering) ? 1.0 : 0.0;
}

bool DesignRules::focusRingVisible(bool focused, bool windowActive) const {
    return focusRing(focused, windowActive ? WindowKeyState::key : WindowKeyState::inactive, false).visible;
}
double DesignRules::focusRingWidth(bool increasedContrast) const {
    return focusRing(true, WindowKeyState::key, increasedContrast).width;
}
double DesignRules::focusRingOpacity(bool increasedContrast) const {
    return focusRing(true, WindowKeyState::key, increasedContrast).opacity;
}

double DesignRules::sliderFraction(double value) const { return design::sliderFraction(value); }
double DesignRules::sliderFractionAt(double x, double width, bool rightToLeft) const {
    return design::sliderFractionAt(x, width, rightToLeft);
}
double DesignRules::sliderStep(int key, bool rightToLeft) const {
    return sliderKeyStep(direction(key), rightToLeft);
}
double DesignRules::sliderSteppedValue(double value, int key, bool rightToLeft) const {
    return design::sliderSteppedValue(value, direction(key), rightToLeft);
}
bool DesignRules::isArrowKey(int key) const { return direction(key) != MoveDirection::none; }
bool DesignRules::sliderIconOnFill(double width, double value) const { return design::sliderIconOnFill(width, value); }
bool DesignRules::sliderShowsPendingLabel(bool dragging, bool hasPendingLabel) const {
    return sliderTrailing(dragging, hasPendingLabel, false) == SliderTrailing::pendingLabel;
}
bool DesignRules::sliderShowsTrailingIcon(bool dragging, bool hasPendingLabel, bool hasTrailingIcon) const {
    return sliderTrailing(dragging, hasPendingLabel, hasTrailingIcon) == SliderTrailing::icon;
}

QVariant DesignRules::tabsTap(const QVariant& current, const QVariant& tapped, bool allowsDeselect) const {
    return toQml(tabsTapResult<QVariant>(id(current), tapped, allowsDeselect));
}

QVariant DesignRules::tabsMove(const QVariantList& ids, const QVariant& focused, const QVariant& selection,
                               int key) const {
    const auto step = tabsStep(direction(key));
    if (!step) return focused;
    const std::vector<QVariant> list(ids.begin(), ids.end());
    return toQml(tabsMoveFocus<QVariant>(list, id(focused), id(selection), *step));
}

bool DesignRules::sameId(const QVariant& a, const QVariant& b) const { return id(a) && id(b) && *id(a) == *id(b); }

QVariantMap DesignRules::tabsMetrics(bool compact) const {
    const TabsMetrics m = design::tabsMetrics(compact ? TabsSize::compact : TabsSize::regular);
    return {{"platePadding", m.platePadding},       {"segmentHeight", m.segmentHeight},
            {"segmentMinimumWidth", m.segmentMinimumWidth}, {"titlePadding", m.titlePadding},
            {"controlHeight", m.controlHeight},     {"segmentSpacing", m.segmentSpacing},
            {"plateRadius", m.plateRadius},         {"segmentRadius", m.segmentRadius}};
}

QString DesignRules::tabsSegmentValue(bool selected) const {
    const std::string_view value = design::tabsSegmentValue(selected);
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

double DesignRules::readoutTravel(bool reduceMotion) const { return reduceMotion ? 0.0 : 1.0; }

int DesignRules::indexOfId(const QVariantList& ids, const QVariant& wanted) const {
    for (qsizetype i = 0; i < ids.size(); ++i)
        if (sameId(ids[i], wanted)) return static_cast<int>(i);
    return -1;
}

bool DesignRules::hasText(const QString& help) const { return !help.isEmpty(); }

QColor DesignRules::bannerTint(const QColor& tint) const {
    if (!tint.isValid() || tint.alpha() == 0) return Qt::transparent;
    return Theme::scaledOpacity(tint, Theme::kBannerTintOpacity);
}

QColor DesignRules::chipTile(const QColor& tint) const {
    if (!tint.isValid()) return Qt::transparent;
    return Theme::scaledOpacity(tint, Theme::kChipTintOpacity);
}

QString DesignRules::emptyStateLabel(const QString& title, const QString& description) const {
    const std::string desc = description.toStdString();
    return QString::fromStdString(emptyStateAccessibilityLabel(
        title.toStdString(), description.isEmpty() ? std::nullopt : std::optional<std::string_view>(desc)));
}

QVariantMap DesignRules::iconChipMetrics() const {
    return {{"side", IconChipMetrics::kSide}, {"cornerRadius", IconChipMetrics::kCornerRadius}};
}

double DesignRules::iconChipOpacity(bool hoverReveal, bool hovering, bool focused) const {
    return design::iconChipOpacity(hoverReveal, hovering, focused);
}

QColor DesignRules::iconChipFill(bool bare, bool dark) const {
    return design::iconChipFill(bare ? IconChipStyle::bare : IconChipStyle::chip,
                                dark ? Theme::Appearance::dark : Theme::Appearance::light)
        .value_or(QColor(Qt::transparent));
}

bool DesignRules::iconChipContains(double width, double height, double x, double y) const {
    return design::iconChipContains({width, height}, {x, y});
}

QVariantMap DesignRules::linearTrack(double width, double height, double fraction, const QVariant& targetFraction,
                                     double displayScale) const {
    std::optional<double> target;
    if (targetFraction.isValid() && !targetFraction.isNull()) target = targetFraction.toDouble();
    const LinearTrackGeometry g = linearTrackGeometry(width, height, fraction, target, displayScale);
    const double markerX = g.markerCenterX.value_or(0) - LinearTrackGeometry::kMarkerWidth / 2;
    return {{"height", g.height},
            {"fillWidth", g.fillWidth},
            {"markerVisible", g.markerCenterX.has_value()},
            {"markerX", markerX},
            {"markerY", g.markerCenterY - LinearTrackGeometry::kMarkerHeight / 2},
            {"markerWidth", LinearTrackGeometry::kMarkerWidth},
            {"markerHeight", LinearTrackGeometry::kMarkerHeight},
            {"fillKey", static_cast<double>(g.fillAnimationKey)},
            {"markerKey", static_cast<double>(g.markerAnimationKey.value_or(0))},
            {"trackOpacity", LinearTrackGeometry::kTrackOpacity},
            {"fillOpacity", LinearTrackGeometry::kFillOpacity},
            {"markerOpacity", LinearTrackGeometry::kMarkerOpacity}};
}

QVariantMap DesignRules::selectableSwatchMetrics() const {
    using namespace SelectableSwatchMetrics;
    return {{"minimumContentSide", kMinimumContentSide}, {"padding", kPadding},
            {"contentCornerRadius", kContentCornerRadius}, {"ringCornerRadius", kRingCornerRadius},
            {"ringWidth", kRingWidth}};
}

QSizeF DesignRules::selectableSwatchTileSize(double contentWidth, double contentHeight) const {
    return design::selectableSwatchTileSize({contentWidth, contentHeight});
}

QVariantMap DesignRules::backdropSwatchMetrics() const {
    using namespace BackdropSwatchMetrics;
    return {{"width", kWidth}, {"height", kHeight}, {"cornerRadius", kCornerRadius}, {"borderWidth", kBorderWidth}};
}

QColor DesignRules::windowMaterialFill(bool reduceTransparency, bool compositing, bool dark) const {
    return Theme::windowMaterialFill(reduceTransparency, compositing,
                                     dark ? Theme::Appearance::dark : Theme::Appearance::light);
}

bool DesignRules::windowCompositing() const { return windowCompositingActive(); }

QVariantMap DesignRules::backdropContentPlate(bool backdropHasPhoto) const {
    const auto plate = contentPlate(backdropHasPhoto);
    return {{"plated", plate.has_value()},
            {"cornerRadius", plate ? plate->cornerRadius : 0.0},
            {"elevation", static_cast<int>(ThemeTokens::Medium)}};
}

}  // namespace zephrane::design
