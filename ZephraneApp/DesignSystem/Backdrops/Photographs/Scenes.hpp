// The eleven backdrop scenes, each painted in a light (day) and a dark
// (night) version, at any width; the height is five eighths of it.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include <QImage>

#include "ZephraneApp/Model/WindowBackdrop.hpp"

namespace zephrane::photographs {

// Width over height of every photograph (16:10).
inline int sceneHeight(int width) { return width * 5 / 8; }

// Each scene paints width x sceneHeight(width) pixels.
using ScenePainter = QImage (*)(int width, BackdropAppearance appearance);

QImage paintBlackSand(int width, BackdropAppearance appearance);
QImage paintGoldenDune(int width, BackdropAppearance appearance);
QImage paintPaleSand(int width, BackdropAppearance appearance);
QImage paintDesertDusk(int width, BackdropAppearance appearance);
QImage paintAurora(int width, BackdropAppearance appearance);
QImage paintCirrus(int width, BackdropAppearance appearance);
QImage paintCumulus(int width, BackdropAppearance appearance);
QImage paintNebula(int width, BackdropAppearance appearance);
QImage paintRingedPlanet(int width, BackdropAppearance appearance);
QImage paintRiviera(int width, BackdropAppearance appearance);
QImage paintNightCircuit(int width, BackdropAppearance appearance);

// The painter of a photo stem; none for a stem no backdrop has.
std::optional<ScenePainter> scenePainter(std::string_view stem);

}  // namespace zephrane::photographs
