// The controls' rules as QML calls them: the singleton `Rules` of
// Zephrane.Design, a thin face over the tested C++ rules (press, hover,
// focus ring, slider, tabs, empty state). Arguments that change over time
// (the appearance, Increase Contrast, the window's focus) are passed in, so
// bindings that call these follow them.
#pragma once

#include <QColor>
#include <QObject>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

namespace zephrane::design {

class DesignRules : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Rules)
    QML_SINGLETON

public:
    enum HoverStyle { Lighten, Tonal, Glass };
    Q_ENUM(HoverStyle)

    explicit DesignRules(QObject* parent = nullptr);

    Q_INVOKABLE double pressScale(bool pressed) const;
    Q_INVOKABLE double enabledOpacity(bool enabled) const;

    Q_INVOKABLE bool hoverDrawn(HoverStyle style, bool hovering) const;
    Q_INVOKABLE bool hoverAbove(HoverStyle style) const;
    Q_INVOKABLE bool hoverGlass(HoverStyle style) const;
    Q_INVOKABLE QColor hoverFill(HoverStyle style, bool hovering, bool dark) const;
    // Above the content (1) or behind it (-1); fully shown (1) or not (0).
    Q_INVOKABLE int hoverZ(HoverStyle style) const;
    Q_INVOKABLE double hoverOpacity(HoverStyle style, bool hovering) const;

    // `windowActive`: the window holds the keyboard (Window.active).
    Q_INVOKABLE bool focusRingVisible(bool focused, bool windowActive) const;
    Q_INVOKABLE double focusRingWidth(bool increasedContrast) const;
    Q_INVOKABLE double focusRingOpacity(bool increasedContrast) const;

    Q_INVOKABLE double sliderFraction(double value) const;
    Q_INVOKABLE double sliderFractionAt(double x, double width, bool rightToLeft) const;
    // For a Qt key code; 0 for keys that are not arrows.
    Q_INVOKABLE double sliderStep(int key, bool rightToLeft) const;
    Q_INVOKABLE double sliderSteppedValue(double value, int key, bool rightToLeft) const;
    Q_INVOKABLE bool isArrowKey(int key) const;
    Q_INVOKABLE bool sliderIconOnFill(double width, double value) const;
    Q_INVOKABLE bool sliderShowsPendingLabel(bool dragging, bool hasPendingLabel) const;
    Q_INVOKABLE bool sliderShowsTrailingIcon(bool dragging, bool hasPendingLabel, bool hasTrailingIcon) const;

    // Selections and focus are segment ids, or undefined for none.
    Q_INVOKABLE QVariant tabsTap(const QVariant& current, const QVariant& tapped, bool allowsDeselect) const;
    // The id focus moves to for an arrow key; `current` (the focused id, or
    // undefined) comes back for keys that are not arrows.
    Q_INVOKABLE QVariant tabsMove(const QVariantList& ids, const QVariant& focused, const QVariant& selection,
                                  int key) const;
    Q_INVOKABLE bool sameId(const QVariant& a, const QVariant& b) const;
    Q_INVOKABLE QVariantMap tabsMetrics(bool compact) const;
    Q_INVOKABLE QString tabsSegmentValue(bool selected) const;

    // How far a readout's digits roll, in heights of the text: a full
    // height, or none (a cross-fade) under Reduce Motion.
    Q_INVOKABLE double readoutTravel(bool reduceMotion) const;

    // The index of `id` among `ids`, -1 when absent.
    Q_INVOKABLE int indexOfId(const QVariantList& ids, const QVariant& id) const;

    // A help tag (or any optional text) shows only when it has something to say.
    Q_INVOKABLE bool hasText(const QString& help) const;
    // The banner's glass tint and the chip's tile for a tint (transparent
    // for none).
    Q_INVOKABLE QColor bannerTint(const QColor& tint) const;
    Q_INVOKABLE QColor chipTile(const QColor& tint) const;

    // An empty description counts as none.
    Q_INVOKABLE QString emptyStateLabel(const QString& title, const QString& description) const;

    // The icon chip button: {side, cornerRadius}; its opacity; its chip's
    // fill (transparent for a bare button).
    Q_INVOKABLE QVariantMap iconChipMetrics() const;
    Q_INVOKABLE double iconChipOpacity(bool hoverReveal, bool hovering, bool focused) const;
    Q_INVOKABLE QColor iconChipFill(bool bare, bool dark) const;
    Q_INVOKABLE bool iconChipContains(double width, double height, double x, double y) const;

    // The linear track's layers: {height, fillWidth, markerVisible,
    // markerX, markerY (the marker's top left), markerWidth, markerHeight,
    // fillKey, markerKey, trackOpacity, fillOpacity, markerOpacity}. No
    // target (undefined or null) draws no marker.
    Q_INVOKABLE QVariantMap linearTrack(double width, double height, double fraction, const QVariant& targetFraction,
                                        double displayScale) const;

    // The selectable swatch: {minimumContentSide, padding,
    // contentCornerRadius, ringCornerRadius, ringWidth}, and its tile for a
    // content of that size.
    Q_INVOKABLE QVariantMap selectableSwatchMetrics() const;
    Q_INVOKABLE QSizeF selectableSwatchTileSize(double contentWidth, double contentHeight) const;

    // The backdrop swatch: {width, height, cornerRadius, borderWidth}.
    Q_INVOKABLE QVariantMap backdropSwatchMetrics() const;
    // The window material's fill, and whether a compositor can blend it
    // with the desktop (asked of the display server on each call).
    Q_INVOKABLE QColor windowMaterialFill(bool reduceTransparency, bool compositing, bool dark) const;
    Q_INVOKABLE bool windowCompositing() const;
    // Content over a photograph sits on a plate: {plated, cornerRadius, elevation}.
    Q_INVOKABLE QVariantMap backdropContentPlate(bool backdropHasPhoto) const;
};

}  // namespace zephrane::design
