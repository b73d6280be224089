#include "ZephraneApp/DesignSystem/Painters/PanelShadowImage.hpp"

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <tuple>
#include <utility>
#include <vector>

#include <QPainter>
#include <QPainterPath>

#include "shared/Saturating.hpp"

namespace zephrane::design {
namespace {

// One pass of a running-sum box blur over the alpha of a premultiplied
// black image, along rows (horizontal) or columns.
void boxBlurAlpha(QImage& image, int half, bool horizontal) {
    if (half <= 0) return;
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    std::vector<int> source(static_cast<std::size_t>(length));
    for (int line = 0; line < lines; ++line) {
        const auto at = [&](int i) -> QRgb& {
            const int x = horizontal ? i : line;
            const int y = horizontal ? line : i;
            return reinterpret_cast<QRgb*>(image.scanLine(y))[x];
        };
        for (int i = 0; i < length; ++i) source[static_cast<std::size_t>(i)] = qAlpha(at(i));
        const int window = 2 * half + 1;
        int sum = 0;
        for (int i = -half; i <= half; ++i) sum += i >= 0 && i < length ? source[static_cast<std::size_t>(i)] : 0;
        for (int i = 0; i < length; ++i) {
            const int alpha = sum / window;
            at(i) = qRgba(0, 0, 0, alpha);  // premultiplied black: colour stays 0
            const int leaving = i - half;
            const int entering = i + half + 1;
            if (leaving >= 0) sum -= source[static_cast<std::size_t>(leaving)];
            if (entering < length) sum += source[static_cast<std::size_t>(entering)];
        }
    }
}

// Three box passes each way approach a Gaussian; a blur radius is taken as
// two standard deviations, as on the web.
void blur(QImage& image, double radiusPixels) {
    const double sigma = radiusPixels / 2.0;
    const int half = saturatingRound<int>(std::sqrt(12.0 * sigma * sigma / 3.0 + 1.0) / 2.0);
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurAlpha(image, half, true);
        boxBlurAlpha(image, half, false);
    }
}

}  // namespace

QImage panelShadowImage(QSizeF shape, double cornerRadius, Theme::Elevation tier, Theme::Appearance appearance,
                        double devicePixelRatio) {
    const double dpr = std::max(devicePixelRatio, 1.0);
    const QSizeF full(shape.width() + 2 * kShadowMargin, shape.height() + 2 * kShadowMargin);
    const QSize pixels(std::max(1, saturatingRound<int>(full.width() * dpr)),
                       std::max(1, saturatingRound<int>(full.height() * dpr)));
    QImage result(pixels, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    if (shape.isEmpty()) return result;

    QPainter composite(&result);
    for (const Theme::ShadowLayer& layer : Theme::shadowLayers(tier, appearance)) {
        QImage mask(pixels, QImage::Format_ARGB32_Premultiplied);
        mask.fill(Qt::transparent);
        {
            QPainter p(&mask);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(dpr, dpr);
            QPainterPath rounded;
            rounded.addRoundedRect(QRectF(QPointF(kShadowMargin, kShadowMargin + layer.offsetY), shape), cornerRadius,
                                   cornerRadius);
            p.fillPath(rounded, QColor(0, 0, 0, 255));
        }
        blur(mask, layer.blurRadius * dpr);
        composite.setOpacity(layer.opacity);
        composite.drawImage(0, 0, mask);
    }
    composite.end();
    result.setDevicePixelRatio(dpr);
    return result;
}

QImage sharedPanelShadowImage(QSizeF shape, double cornerRadius, Theme::Elevation tier, Theme::Appearance appearance,
                              double devicePixelRatio) {
    using Key = std::tuple<double, double, double, Theme::Elevation, Theme::Appearance, double>;
    // A few windows' worth of plates in both appearances.
    constexpr std::size_t kKept = 16;
    static std::mutex mutex;
    static std::deque<std::pair<Key, QImage>> recent;  // most recently used first
    const Key key{shape.width(), shape.height(), cornerRadius, tier, appearance, devicePixelRatio};
    {
        const std::lock_guard lock(mutex);
        const auto found = std::find_if(recent.begin(), recent.end(), [&](const auto& kept) { return kept.first == key; });
        if (found != recent.end()) {
            auto kept = std::move(*found);
            recent.erase(found);
            recent.push_front(std::move(kept));
            return recent.front().second;
        }
    }
    // Drawn outside the lock: two threads that miss at once draw it twice.
    QImage made = panelShadowImage(shape, cornerRadius, tier, appearance, devicePixelRatio);
    const std::lock_guard lock(mutex);
    recent.emplace_front(key, made);
    if (recent.size() > kKept) recent.pop_back();
    return made;
}

}  // namespace zephrane::design
