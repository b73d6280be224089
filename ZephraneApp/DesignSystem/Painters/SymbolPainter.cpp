#include "ZephraneApp/DesignSystem/Painters/SymbolPainter.hpp"

#include <map>
#include <memory>
#include <string>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include "ZephraneApp/DesignSystem/Painters/FanGlyph.hpp"
#include "ZephraneApp/DesignSystem/Tokens/SymbolTable.hpp"
#include "shared/Saturating.hpp"

namespace zephrane::design {
namespace {

// Parsed once per file; the renderers are only used on the thread that
// paints, one at a time.
QSvgRenderer& renderer(std::string_view file) {
    static std::map<std::string, std::unique_ptr<QSvgRenderer>, std::less<>> renderers;
    auto found = renderers.find(file);
    if (found == renderers.end()) {
        const QString path = QString::fromUtf8(kSymbolResourcePrefix.data(), static_cast<qsizetype>(kSymbolResourcePrefix.size())) +
                             QString::fromUtf8(file.data(), static_cast<qsizetype>(file.size()));
        found = renderers.emplace(std::string(file), std::make_unique<QSvgRenderer>(path)).first;
    }
    return *found->second;
}

// Our SVGs are drawn in black; the colour is laid over what they cover.
void paintSvg(QPainter& painter, std::string_view file, const QRectF& square, const QColor& color) {
    const qreal dpr = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    const int side = std::max(1, saturatingRound<int>(std::max(square.width(), square.height()) * dpr));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter svg(&image);
        renderer(file).render(&svg, QRectF(0, 0, side, side));
        svg.setCompositionMode(QPainter::CompositionMode_SourceIn);
        svg.fillRect(image.rect(), color);
    }
    painter.drawImage(square, image);
}

}  // namespace

bool paintSymbol(QPainter& painter, const QString& name, const QRectF& square, const QColor& color) {
    const auto symbol = symbolNamed(name.toStdString());
    if (!symbol) return false;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (symbol->kind) {
        case SymbolKind::glyph: {
            QFont font(kSymbolFontFamily);
            font.setPixelSize(std::max(1, saturatingRound<int>(square.height())));
            painter.setFont(font);
            painter.setPen(color);
            const char32_t codepoint = symbol->codepoint;
            painter.drawText(square, Qt::AlignCenter, QString::fromUcs4(&codepoint, 1));
            break;
        }
        case SymbolKind::svg: paintSvg(painter, symbol->resource, square, color); break;
        case SymbolKind::fan: {
            const double side = std::min(square.width(), square.height());
            painter.translate(square.center() - QPointF(side / 2, side / 2));
            painter.fillPath(fanGlyphPath(side), color);
            break;
        }
    }
    painter.restore();
    return true;
}

}  // namespace zephrane::design
