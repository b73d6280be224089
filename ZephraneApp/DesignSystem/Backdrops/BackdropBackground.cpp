#include "ZephraneApp/DesignSystem/Backdrops/BackdropBackground.hpp"

#include <string>
#include <variant>

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"

namespace zephrane::design {
namespace {

QVariantList stopsOf(const BackdropRendition& rendition) {
    // Without a photograph the stops stay in place, clear, so a gradient
    // bound to them always has its four.
    const PhotoRendition* photo = photoOf(rendition);
    const auto stops = scrimStops(photo != nullptr ? photo->scrim : BackdropScrim{});
    QVariantList list;
    for (const ScrimStop& stop : stops)
        list.append(QVariantMap{{QStringLiteral("location"), stop.location}, {QStringLiteral("color"), stop.color}});
    return list;
}

}  // namespace

BackdropBackground::BackdropBackground(QObject* parent) : BackdropBackground(ThemeTokens::shared(), parent) {}

BackdropBackground::BackdropBackground(ThemeTokens& theme, QObject* parent) : QObject(parent), theme_(theme) {
    connect(&theme_, &ThemeTokens::appearanceChanged, this, &BackdropBackground::recompute);
    connect(&theme_, &ThemeTokens::displayOptionsChanged, this, &BackdropBackground::recompute);
    scrimStops_ = stopsOf(NativeMaterialRendition{});
    recompute();
}

void BackdropBackground::setBackdrop(const QString& backdrop) {
    if (backdrop == backdrop_) return;
    backdrop_ = backdrop;
    emit backdropChanged();
    recompute();
}

void BackdropBackground::setSheet(bool sheet) {
    if (sheet == sheet_) return;
    sheet_ = sheet;
    emit sheetChanged();
    recompute();
}

void BackdropBackground::setPhotoAvailable(bool available) {
    if (available == photoAvailable_) return;
    photoAvailable_ = available;
    emit photoAvailableChanged();
    recompute();
}

BackdropEnvironment BackdropBackground::environment() const {
    return {theme_.dark() ? BackdropAppearance::dark : BackdropAppearance::light, theme_.reduceTransparency(),
            theme_.increaseContrast()};
}

void BackdropBackground::recompute() {
    const WindowBackdrop backdrop = storedWindowBackdrop(backdrop_.toStdString());
    const BackdropEnvironment env = environment();
    const PhotoAvailability availability =
        photoAvailable_ ? PhotoAvailability::available : PhotoAvailability::unavailable;

    // The photograph asked for, before availability has its say.
    const BackdropRendition wanted = backdropRendition(backdrop, env);
    const PhotoRendition* wantedPhoto = photoOf(wanted);
    const QString stem = wantedPhoto != nullptr ? QString::fromStdString(wantedPhoto->asset.stem) : QString();
    const bool dark = wantedPhoto != nullptr && wantedPhoto->asset.appearance == BackdropAppearance::dark;

    Fill fill = Material;
    bool hasPhoto = false;
    BackdropRendition shown = NativeMaterialRendition{};
    if (sheet_) {
        const SheetBackground sheet = sheetBackground(backdrop, env, availability);
        hasPhoto = sheet.backdropHasPhoto;
        if (std::holds_alternative<OpaqueWindowBackground>(sheet.fill)) {
            fill = Opaque;
        } else {
            shown = std::get<BackdropRendition>(sheet.fill);
        }
    } else {
        const WindowBackground window = windowBackground(backdrop, env, availability);
        hasPhoto = window.backdropHasPhoto;
        shown = window.rendition;
    }
    if (fill != Opaque && photoOf(shown) != nullptr) fill = Photo;
    QVariantList stops = stopsOf(shown);

    // Everything is stored before anything is announced, so a handler of
    // one signal reads the others' new values too.
    const bool fillMoved = fill != fill_;
    const bool hasPhotoMoved = hasPhoto != hasPhoto_;
    const bool photoMoved = stem != photoStem_ || dark != photoDark_;
    const bool stopsMoved = stops != scrimStops_;
    fill_ = fill;
    hasPhoto_ = hasPhoto;
    photoStem_ = stem;
    photoDark_ = dark;
    scrimStops_ = std::move(stops);
    if (photoMoved) emit photoChanged();
    if (fillMoved) emit fillChanged();
    if (hasPhotoMoved) emit hasPhotoChanged();
    if (stopsMoved) emit scrimStopsChanged();
}

}  // namespace zephrane::design
