// The window backdrops: the system's own translucent material or one of
// eleven photographs that ship with the app, and how a photograph is drawn
// (which of its light and dark renditions, under how strong a wash).
//
// Plain values and pure rules, on the standard library only: the engine
// stores the user's choice and includes this header without pulling in the
// photo store or its decoder. It reaches the store only through
// purgeBackdropImages() below.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "shared/EnumCases.hpp"

namespace zephrane {

enum class WindowBackdrop {
    system,
    blackSand,
    goldenDune,
    paleSand,
    aurora,
    nebula,
    ringedPlanet,
    cirrus,
    cumulus,
    desertDusk,
    riviera,
    nightCircuit,
};

std::string_view rawValue(WindowBackdrop backdrop);
std::string_view displayName(WindowBackdrop backdrop);
// The display name, an em dash and a short description.
std::string_view summary(WindowBackdrop backdrop);
// The file-name stem of the backdrop's two photographs; none for `system`.
std::optional<std::string_view> photoStem(WindowBackdrop backdrop);
inline bool isPhoto(WindowBackdrop backdrop) { return photoStem(backdrop).has_value(); }

// The user's choice is stored as the raw value under this setting.
inline constexpr std::string_view kWindowBackdropSettingKey = "com.zephrane.windowBackdrop";
// A missing setting or a string that is not exactly a raw value is `system`.
WindowBackdrop storedWindowBackdrop(std::optional<std::string_view> stored);

enum class BackdropAppearance { light, dark };

constexpr std::string_view rawValue(BackdropAppearance appearance) {
    return appearance == BackdropAppearance::dark ? "dark" : "light";
}
constexpr BackdropAppearance otherAppearance(BackdropAppearance appearance) {
    return appearance == BackdropAppearance::dark ? BackdropAppearance::light : BackdropAppearance::dark;
}

// One photograph file: <stem>-<appearance>.heic.
struct BackdropPhotoAsset {
    std::string stem;
    BackdropAppearance appearance = BackdropAppearance::light;

    // "cirrus-light"
    std::string resourceName() const;
    friend bool operator==(const BackdropPhotoAsset&, const BackdropPhotoAsset&) = default;
};

// The gradient wash over a photograph, top to bottom: `head` at the top
// edge, `body` over the middle band, `foot` at the bottom edge (opacities
// 0...1), white or black.
struct BackdropScrim {
    double head = 0;
    double body = 0;
    double foot = 0;
    bool isLightWash = false;

    friend bool operator==(const BackdropScrim&, const BackdropScrim&) = default;
};

// What a window or sheet draws behind its content.
struct NativeMaterialRendition {
    friend bool operator==(const NativeMaterialRendition&, const NativeMaterialRendition&) = default;
};
struct PhotoRendition {
    BackdropPhotoAsset asset;
    BackdropScrim scrim;

    friend bool operator==(const PhotoRendition&, const PhotoRendition&) = default;
};
using BackdropRendition = std::variant<NativeMaterialRendition, PhotoRendition>;

inline const PhotoRendition* photoOf(const BackdropRendition& rendition) {
    return std::get_if<PhotoRendition>(&rendition);
}

// The window's environment as far as the rendition depends on it. The
// colour scheme is light or dark, as a photograph's appearance is.
struct BackdropEnvironment {
    BackdropAppearance colorScheme = BackdropAppearance::light;
    bool reduceTransparency = false;
    bool increasedContrast = false;

    friend bool operator==(const BackdropEnvironment&, const BackdropEnvironment&) = default;
};

// Reduce Transparency and the system backdrop give the material; otherwise
// the photograph of the colour scheme under the scheme's wash, heavier with
// increased contrast. The wash is the same for every photograph.
BackdropRendition backdropRendition(WindowBackdrop backdrop, const BackdropEnvironment& environment);

// The engine calls this after every assignment of the system backdrop: the
// photo store drops its full-size images (its thumbnails stay). The store
// installs the handler when it is created; before that there is nothing to
// drop. GUI thread only.
void purgeBackdropImages();
// Replaces the handler (an empty function removes it); returns the old one.
std::function<void()> setBackdropImagePurgeHandler(std::function<void()> handler);

}  // namespace zephrane

namespace zephrane {
template <>
struct EnumCases<WindowBackdrop> {
    static constexpr std::string_view typeName = "WindowBackdrop";
    static constexpr std::array values{
        WindowBackdrop::system,       WindowBackdrop::blackSand, WindowBackdrop::goldenDune,
        WindowBackdrop::paleSand,     WindowBackdrop::aurora,    WindowBackdrop::nebula,
        WindowBackdrop::ringedPlanet, WindowBackdrop::cirrus,    WindowBackdrop::cumulus,
        WindowBackdrop::desertDusk,   WindowBackdrop::riviera,   WindowBackdrop::nightCircuit,
    };
};
template <>
struct EnumCases<BackdropAppearance> {
    static constexpr std::string_view typeName = "BackdropAppearance";
    static constexpr std::array values{BackdropAppearance::light, BackdropAppearance::dark};
};
}  // namespace zephrane

template <>
struct std::hash<zephrane::BackdropPhotoAsset> {
    std::size_t operator()(const zephrane::BackdropPhotoAsset& asset) const noexcept {
        const std::size_t stem = std::hash<std::string>{}(asset.stem);
        const std::size_t appearance = std::hash<std::string_view>{}(zephrane::rawValue(asset.appearance));
        return stem ^ (appearance + 0x9e3779b97f4a7c15ULL + (stem << 6) + (stem >> 2));
    }
};
