// One surface's look for QML: GlassSurface.qml binds its layers to this.
// It takes the surface's own inputs and follows the theme's appearance and
// display options, so switching Reduce Transparency, Increase Contrast or
// the appearance redraws every open surface at once.
#pragma once

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/DesignSystem/Tokens/Surfaces.hpp"

namespace zephrane::design {

class ThemeTokens;

class SurfaceLook : public QObject {
    Q_OBJECT
    QML_ELEMENT

    // Inputs. A tint that is invalid or fully transparent is no tint.
    Q_PROPERTY(QColor tint READ tint WRITE setTint NOTIFY tintChanged)
    Q_PROPERTY(bool interactive READ interactive WRITE setInteractive NOTIFY interactiveChanged)
    Q_PROPERTY(bool overMedia READ overMedia WRITE setOverMedia NOTIFY overMediaChanged)

    // Outputs; colours that are not drawn are transparent.
    Q_PROPERTY(Rendering rendering READ rendering NOTIFY lookChanged)
    Q_PROPERTY(QColor fill READ fill NOTIFY lookChanged)
    Q_PROPERTY(QColor tintFill READ tintFill NOTIFY lookChanged)
    Q_PROPERTY(QColor scrim READ scrim NOTIFY lookChanged)
    Q_PROPERTY(bool stroked READ stroked NOTIFY lookChanged)
    Q_PROPERTY(QColor strokeColor READ strokeColor NOTIFY lookChanged)
    Q_PROPERTY(double strokeWidth READ strokeWidth NOTIFY lookChanged)
    Q_PROPERTY(bool plateShadow READ plateShadow NOTIFY lookChanged)
    Q_PROPERTY(QColor cardOverlay READ cardOverlay NOTIFY lookChanged)

public:
    enum Rendering { Glass, Material, Opaque };
    Q_ENUM(Rendering)

    explicit SurfaceLook(QObject* parent = nullptr);
    // For tests: a theme of their own.
    SurfaceLook(ThemeTokens& theme, QObject* parent = nullptr);

    QColor tint() const { return tint_; }
    void setTint(const QColor& tint);
    bool interactive() const { return interactive_; }
    void setInteractive(bool interactive);
    bool overMedia() const { return overMedia_; }
    void setOverMedia(bool overMedia);

    Rendering rendering() const;
    QColor fill() const;
    QColor tintFill() const;
    QColor scrim() const;
    bool stroked() const { return style_.stroke.has_value(); }
    QColor strokeColor() const;
    double strokeWidth() const;
    bool plateShadow() const { return style_.plateShadow; }
    QColor cardOverlay() const;

signals:
    void tintChanged();
    void interactiveChanged();
    void overMediaChanged();
    void lookChanged();

private:
    Theme::SurfaceEnvironment environment() const;
    void recompute();

    ThemeTokens& theme_;
    QColor tint_;
    bool interactive_ = false;
    bool overMedia_ = false;
    Theme::SurfaceStyle style_;
    std::optional<QColor> overlay_;
};

}  // namespace zephrane::design
