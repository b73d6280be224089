// A floating surface's two-layer drop shadow, drawn into an image: each
// layer is the surface's rounded rectangle filled with black at the layer's
// opacity, blurred and moved down, the wide ambient layer under the tight
// contact one. Qt Quick's own shadow effects need a GPU; this draws the same
// on the software renderer, once per size and tier.
#pragma once

#include <QImage>
#include <QSizeF>

#include "ZephraneApp/DesignSystem/Tokens/Surfaces.hpp"

namespace zephrane::design {

// Room the image leaves around the shape for the widest blur and offset.
inline constexpr double kShadowMargin = 20;

// The image covers the shape grown by `kShadowMargin` on every side, at
// `devicePixelRatio` pixels per point.
QImage panelShadowImage(QSizeF shape, double cornerRadius, Theme::Elevation tier, Theme::Appearance appearance,
                        double devicePixelRatio);

// The same image, drawn once for the process: views that come and go (the
// floating panel builds its plates anew for every showing) find the last
// few shadows they drew still there. Safe from any render thread.
QImage sharedPanelShadowImage(QSizeF shape, double cornerRadius, Theme::Elevation tier, Theme::Appearance appearance,
                              double devicePixelRatio);

}  // namespace zephrane::design
