// The colour of each accent choice. The theme holds the app's accent (it
// takes it from the engine's setting, through the views' face) and every
// view draws with the theme's.
#pragma once

#include <QColor>

#include "ZephraneApp/Model/AccentChoice.hpp"

namespace zephrane::Theme {

// The choice's colour. `system` follows the desktop's control accent (the
// palette's highlight) and is resolved anew on every call, so a change of
// the desktop's accent shows at the next redraw.
QColor color(AccentChoice c);

}  // namespace zephrane::Theme
