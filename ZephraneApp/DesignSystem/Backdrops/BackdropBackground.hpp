// What a window or a sheet draws behind its content, for QML: the window
// and sheet modifiers bind their backdrop view to this. It takes the
// selected backdrop (its stored raw value, "system", "aurora"...) and
// follows the theme's appearance, Reduce Transparency and Increase
// Contrast, so a switch of any of them redraws every open window and sheet
// at once.
//
// `photoStem` and `photoDark` name the photograph the backdrop asks for,
// whether or not it can be shown: the photo layer loads that one. Once the
// layer finds it missing or undecodable (`photoAvailable` false), the fill
// falls back to the window material and no photograph is behind.
#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewRules.hpp"

namespace zephrane::design {

class ThemeTokens;

class BackdropBackground : public QObject {
    Q_OBJECT
    QML_ELEMENT

    // Inputs. A backdrop that is not exactly a raw value is "system".
    Q_PROPERTY(QString backdrop READ backdrop WRITE setBackdrop NOTIFY backdropChanged)
    Q_PROPERTY(bool sheet READ sheet WRITE setSheet NOTIFY sheetChanged)
    Q_PROPERTY(bool photoAvailable READ photoAvailable WRITE setPhotoAvailable NOTIFY photoAvailableChanged)

    // Outputs, each with its own signal: the photo layer binds to the
    // photograph's name and reports back whether it can be shown, which
    // changes the fill. Were they one signal, that report would make the
    // name's binding run again inside itself (a binding loop).
    Q_PROPERTY(Fill fill READ fill NOTIFY fillChanged)
    Q_PROPERTY(bool hasPhoto READ hasPhoto NOTIFY hasPhotoChanged)
    Q_PROPERTY(QString photoStem READ photoStem NOTIFY photoChanged)
    Q_PROPERTY(bool photoDark READ photoDark NOTIFY photoChanged)
    // Four stops, top to bottom: {location, color}; clear without a photo.
    Q_PROPERTY(QVariantList scrimStops READ scrimStops NOTIFY scrimStopsChanged)

public:
    // The window material; a photograph under its wash; the theme's
    // opaque window background (a sheet under Reduce Transparency).
    enum Fill { Material, Photo, Opaque };
    Q_ENUM(Fill)

    explicit BackdropBackground(QObject* parent = nullptr);
    // For tests: a theme of their own.
    explicit BackdropBackground(ThemeTokens& theme, QObject* parent = nullptr);

    QString backdrop() const { return backdrop_; }
    void setBackdrop(const QString& backdrop);
    bool sheet() const { return sheet_; }
    void setSheet(bool sheet);
    bool photoAvailable() const { return photoAvailable_; }
    void setPhotoAvailable(bool available);

    Fill fill() const { return fill_; }
    bool hasPhoto() const { return hasPhoto_; }
    QString photoStem() const { return photoStem_; }
    bool photoDark() const { return photoDark_; }
    QVariantList scrimStops() const { return scrimStops_; }

signals:
    void backdropChanged();
    void sheetChanged();
    void photoAvailableChanged();
    void fillChanged();
    void hasPhotoChanged();
    void photoChanged();
    void scrimStopsChanged();

private:
    BackdropEnvironment environment() const;
    void recompute();

    ThemeTokens& theme_;
    QString backdrop_ = QStringLiteral("system");
    bool sheet_ = false;
    bool photoAvailable_ = true;

    Fill fill_ = Material;
    bool hasPhoto_ = false;
    QString photoStem_;
    bool photoDark_ = false;
    QVariantList scrimStops_;
};

}  // namespace zephrane::design
