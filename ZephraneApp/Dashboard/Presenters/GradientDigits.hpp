// The large digits of the temperature readout: one line of text filled with
// a vertical gradient (its bottom in one colour, its top in another), which
// Text cannot draw and a shader would not draw on the software renderer.
// Where the item is narrower than the text, the text shrinks to fit, down
// to `minimumScale` of its size, and is cut beyond that. Its baseline stays
// where the full-size text has it, so neighbours aligned on it stay put.
#pragma once

#include <QColor>
#include <QFont>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace zephrane::dashboard {

class GradientDigits : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QFont font READ font WRITE setFont NOTIFY fontChanged)
    Q_PROPERTY(QColor topColor READ topColor WRITE setTopColor NOTIFY colorsChanged)
    Q_PROPERTY(QColor bottomColor READ bottomColor WRITE setBottomColor NOTIFY colorsChanged)
    Q_PROPERTY(double minimumScale READ minimumScale WRITE setMinimumScale NOTIFY fitChanged)
    // Read-only: the scale the text is drawn at (1 when it fits).
    Q_PROPERTY(double shownScale READ shownScale NOTIFY fitChanged)

public:
    explicit GradientDigits(QQuickItem* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    QFont font() const { return font_; }
    void setFont(const QFont& font);
    QColor topColor() const { return top_; }
    void setTopColor(const QColor& color);
    QColor bottomColor() const { return bottom_; }
    void setBottomColor(const QColor& color);
    double minimumScale() const { return minimumScale_; }
    void setMinimumScale(double scale);
    double shownScale() const;

    void paint(QPainter* painter) override;

signals:
    void textChanged();
    void fontChanged();
    void colorsChanged();
    void fitChanged();

protected:
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void remeasure();

    QString text_;
    QFont font_;
    QColor top_ = Qt::black;
    QColor bottom_ = Qt::black;
    double minimumScale_ = 0.55;
    double fullWidth_ = 0;  // of the text at full size
};

}  // namespace zephrane::dashboard
