#include "ZephraneApp/DesignSystem/Painters/SymbolItem.hpp"

#include <QPainter>

#include "ZephraneApp/DesignSystem/Painters/SymbolPainter.hpp"
#include "ZephraneApp/DesignSystem/Tokens/SymbolTable.hpp"

namespace zephrane::design {

SymbolItem::SymbolItem(QQuickItem* parent) : QQuickPaintedItem(parent) {
    setImplicitSize(size_, size_);
    setAntialiasing(true);
}

void SymbolItem::setName(const QString& name) {
    if (name == name_) return;
    name_ = name;
    emit nameChanged();
    update();
}

void SymbolItem::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    emit colorChanged();
    update();
}

void SymbolItem::setSize(double size) {
    if (size == size_) return;
    size_ = size;
    setImplicitSize(size_, size_);
    emit sizeChanged();
    update();
}

bool SymbolItem::known() const { return symbolNamed(name_.toStdString()).has_value(); }

void SymbolItem::paint(QPainter* painter) {
    const double side = std::min(width(), height());
    paintSymbol(*painter, name_, QRectF((width() - side) / 2, (height() - side) / 2, side, side), color_);
}

}  // namespace zephrane::design
