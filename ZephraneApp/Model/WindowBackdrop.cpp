#include "ZephraneApp/Model/WindowBackdrop.hpp"

#include <algorithm>
#include <utility>

namespace zephrane {
namespace {

struct CatalogueEntry {
    WindowBackdrop backdrop;
    std::string_view raw;
    std::string_view name;
    std::string_view summary;
    std::string_view stem;  // empty: no photograph
};

// One row per case, in declaration order. The dash in each summary is U+2014.
constexpr std::array<CatalogueEntry, 12> kCatalogue{{
    {WindowBackdrop::system, "system", "System", "System — native window material that samples your desktop", ""},
    {WindowBackdrop::blackSand, "blackSand", "Black Sand", "Black Sand — rippled volcanic sand", "black-sand"},
    {WindowBackdrop::goldenDune, "goldenDune", "Golden Dune", "Golden Dune — warm lit dune crests", "golden-dune"},
    {WindowBackdrop::paleSand, "paleSand", "Pale Sand", "Pale Sand — fine wind-combed sand", "pale-sand"},
    {WindowBackdrop::aurora, "aurora", "Aurora", "Aurora — northern lights over a star field", "aurora"},
    {WindowBackdrop::nebula, "nebula", "Nebula", "Nebula — deep-sky gas clouds and stars", "nebula"},
    {WindowBackdrop::ringedPlanet, "ringedPlanet", "Ringed Planet", "Ringed Planet — a gas giant and its ring system",
     "ringed-planet"},
    {WindowBackdrop::cirrus, "cirrus", "Cirrus", "Cirrus — high cloud in a clear sky", "cirrus"},
    {WindowBackdrop::cumulus, "cumulus", "Cumulus", "Cumulus — towering cloud seen from above", "cumulus"},
    {WindowBackdrop::desertDusk, "desertDusk", "Desert Dusk", "Desert Dusk — twilight over a desert ridge",
     "desert-dusk"},
    {WindowBackdrop::riviera, "riviera", "Riviera", "Riviera — a Mediterranean harbour from the hillside", "riviera"},
    {WindowBackdrop::nightCircuit, "nightCircuit", "Night Circuit", "Night Circuit — a racing car lit in the dark",
     "night-circuit"},
}};

const CatalogueEntry& entry(WindowBackdrop backdrop) {
    const auto it = std::find_if(kCatalogue.begin(), kCatalogue.end(),
                                 [backdrop](const CatalogueEntry& e) { return e.backdrop == backdrop; });
    return it != kCatalogue.end() ? *it : kCatalogue.front();
}

// The wash for each colour scheme, and what increased contrast adds to it.
constexpr BackdropScrim kLightScrim{0.40, 0.06, 0.16, true};
constexpr BackdropScrim kDarkScrim{0.38, 0.05, 0.15, false};
constexpr BackdropScrim kIncreasedContrastLift{0.26, 0.42, 0.34, false};
constexpr double kMaximumScrimOpacity = 0.92;

std::function<void()>& purgeHandler() {
    static std::function<void()> handler;
    return handler;
}

}  // namespace

std::string_view rawValue(WindowBackdrop backdrop) { return entry(backdrop).raw; }
std::string_view displayName(WindowBackdrop backdrop) { return entry(backdrop).name; }
std::string_view summary(WindowBackdrop backdrop) { return entry(backdrop).summary; }

std::optional<std::string_view> photoStem(WindowBackdrop backdrop) {
    const std::string_view stem = entry(backdrop).stem;
    if (stem.empty()) return std::nullopt;
    return stem;
}

WindowBackdrop storedWindowBackdrop(std::optional<std::string_view> stored) {
    if (!stored) return WindowBackdrop::system;
    return fromRawValue<WindowBackdrop>(*stored).value_or(WindowBackdrop::system);
}

std::string BackdropPhotoAsset::resourceName() const { return stem + "-" + std::string(rawValue(appearance)); }

BackdropRendition backdropRendition(WindowBackdrop backdrop, const BackdropEnvironment& environment) {
    if (environment.reduceTransparency) return NativeMaterialRendition{};
    const auto stem = photoStem(backdrop);
    if (!stem) return NativeMaterialRendition{};

    BackdropScrim scrim = environment.colorScheme == BackdropAppearance::dark ? kDarkScrim : kLightScrim;
    if (environment.increasedContrast) {
        scrim.head = std::min(scrim.head + kIncreasedContrastLift.head, kMaximumScrimOpacity);
        scrim.body = std::min(scrim.body + kIncreasedContrastLift.body, kMaximumScrimOpacity);
        scrim.foot = std::min(scrim.foot + kIncreasedContrastLift.foot, kMaximumScrimOpacity);
    }
    return PhotoRendition{BackdropPhotoAsset{std::string(*stem), environment.colorScheme}, scrim};
}

void purgeBackdropImages() {
    // A copy: the handler may replace itself while it runs.
    const auto handler = purgeHandler();
    if (handler) handler();
}

std::function<void()> setBackdropImagePurgeHandler(std::function<void()> handler) {
    return std::exchange(purgeHandler(), std::move(handler));
}

}  // namespace zephrane
