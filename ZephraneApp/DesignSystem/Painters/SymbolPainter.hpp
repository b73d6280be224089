// Draws a symbol of the symbol table into a square: a glyph of the Material
// Icons font, one of our SVGs, or the fan path, in one colour.
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace zephrane::design {

// False (and nothing drawn) for a name the table does not know.
bool paintSymbol(QPainter& painter, const QString& name, const QRectF& square, const QColor& color);

}  // namespace zephrane::design
