// The photograph inside a backdrop's swatch: its 160 px thumbnail, cropped
// to cover the tile and cut to the tile's rounded corners. Its controller
// decides which photograph (the backdrop's, in the light or dark
// appearance) and loads it while the swatch is on screen; until the
// thumbnail is there, and for the system backdrop or a photograph that
// cannot be shown, `hasThumbnail` is false and the swatch shows the window
// material in its place.
//
// Decorative: it takes no pointer events and assistive technologies do not
// see it (the tile around it carries the name).
#pragma once

#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropSwatchController.hpp"

namespace zephrane::design {

class BackdropSwatchThumbnail : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT

    // The backdrop's stored raw value; anything else is "system".
    Q_PROPERTY(QString backdrop READ backdrop WRITE setBackdrop NOTIFY backdropChanged)
    Q_PROPERTY(bool dark READ dark WRITE setDark NOTIFY darkChanged)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY cornerRadiusChanged)
    Q_PROPERTY(bool hasThumbnail READ hasThumbnail NOTIFY contentChanged)

public:
    // Loads from backdropViewStore().
    explicit BackdropSwatchThumbnail(QQuickItem* parent = nullptr);
    explicit BackdropSwatchThumbnail(BackdropImageStore& store, QQuickItem* parent = nullptr);
    ~BackdropSwatchThumbnail() override;

    QString backdrop() const { return backdrop_; }
    void setBackdrop(const QString& backdrop);
    bool dark() const { return dark_; }
    void setDark(bool dark);
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    bool hasThumbnail() const { return !controller_.content().isNull(); }

    void paint(QPainter* painter) override;

signals:
    void backdropChanged();
    void darkChanged();
    void cornerRadiusChanged();
    void contentChanged();

protected:
    void itemChange(ItemChange change, const ItemChangeData& value) override;

private:
    void onScreenMayHaveChanged();

    BackdropSwatchController controller_;
    QString backdrop_ = QStringLiteral("system");
    bool dark_ = false;
    double cornerRadius_ = 0;
};

}  // namespace zephrane::design
