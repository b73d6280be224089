// The decisions the backdrop views make, so the views only draw: what the
// main window and a sheet put behind their content, whether content sits
// on a glass plate, the stops of the wash over a photograph, and the
// swatch's fixed measures.
#pragma once

#include <array>
#include <optional>
#include <variant>

#include <QColor>

#include "ZephraneApp/Model/WindowBackdrop.hpp"

namespace zephrane {

// Whether the photograph layer could show the photograph: a missing or
// undecodable one gives the window material instead, never a blank window.
enum class PhotoAvailability { available, unavailable };

// The main window: the rendition under the whole window, title bar
// included, and the "backdrop has a photo" value its content inherits.
struct WindowBackground {
    BackdropRendition rendition;
    bool backdropHasPhoto = false;

    friend bool operator==(const WindowBackground&, const WindowBackground&) = default;
};
WindowBackground windowBackground(WindowBackdrop backdrop, const BackdropEnvironment& environment,
                                  PhotoAvailability availability = PhotoAvailability::available);

// A sheet: as the window, except that Reduce Transparency gives the
// theme's opaque window background rather than the material.
struct OpaqueWindowBackground {
    friend bool operator==(const OpaqueWindowBackground&, const OpaqueWindowBackground&) = default;
};
struct SheetBackground {
    std::variant<OpaqueWindowBackground, BackdropRendition> fill;
    bool backdropHasPhoto = false;

    friend bool operator==(const SheetBackground&, const SheetBackground&) = default;
};
SheetBackground sheetBackground(WindowBackdrop backdrop, const BackdropEnvironment& environment,
                                PhotoAvailability availability = PhotoAvailability::available);

// Content that must stay legible sits on a glass plate over a photograph,
// and on nothing over the material. The plate has the theme's medium
// elevation.
struct ContentPlate {
    double cornerRadius = 20;

    friend bool operator==(const ContentPlate&, const ContentPlate&) = default;
};
std::optional<ContentPlate> contentPlate(bool backdropHasPhoto);

// The wash: a vertical gradient from the window's top (location 0) to its
// bottom (1), white or black at the scrim's opacities.
struct ScrimStop {
    double location = 0;
    QColor color;

    friend bool operator==(const ScrimStop&, const ScrimStop&) = default;
};
std::array<ScrimStop, 4> scrimStops(const BackdropScrim& scrim);

// The settings swatch of one backdrop: a 54 x 36 point tile, rounded and
// outlined with the theme's separator colour.
namespace BackdropSwatchMetrics {
inline constexpr double kWidth = 54;
inline constexpr double kHeight = 36;
inline constexpr double kCornerRadius = 7;
inline constexpr double kBorderWidth = 0.5;
}  // namespace BackdropSwatchMetrics

}  // namespace zephrane
