// The fan symbol, drawn by us as a path so that the tray and the spinning
// symbol can rotate and tint it freely: five swept blades around a hub with
// a hole in it, centred in a square box.
#pragma once

#include <QPainterPath>

namespace zephrane::design {

// The fan filling a `size` × `size` box at the origin, centred on
// (size / 2, size / 2) so that rotating about that point spins it in place.
QPainterPath fanGlyphPath(double size);

}  // namespace zephrane::design
