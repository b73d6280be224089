#include "ZephraneApp/Model/WindowBackdrop.hpp"

#include <string>
#include <unordered_set>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

TEST(WindowBackdrop, CatalogueInDeclarationOrder) {
    struct Row {
        const char* raw;
        const char* name;
        const char* summary;
        const char* stem;  // nullptr: no photograph
    };
    const std::vector<Row> expected{
        {"system", "System", "System — native window material that samples your desktop", nullptr},
        {"blackSand", "Black Sand", "Black Sand — rippled volcanic sand", "black-sand"},
        {"goldenDune", "Golden Dune", "Golden Dune — warm lit dune crests", "golden-dune"},
        {"paleSand", "Pale Sand", "Pale Sand — fine wind-combed sand", "pale-sand"},
        {"aurora", "Aurora", "Aurora — northern lights over a star field", "aurora"},
        {"nebula", "Nebula", "Nebula — deep-sky gas clouds and stars", "nebula"},
        {"ringedPlanet", "Ringed Planet", "Ringed Planet — a gas giant and its ring system", "ringed-planet"},
        {"cirrus", "Cirrus", "Cirrus — high cloud in a clear sky", "cirrus"},
        {"cumulus", "Cumulus", "Cumulus — towering cloud seen from above", "cumulus"},
        {"desertDusk", "Desert Dusk", "Desert Dusk — twilight over a desert ridge", "desert-dusk"},
        {"riviera", "Riviera", "Riviera — a Mediterranean harbour from the hillside", "riviera"},
        {"nightCircuit", "Night Circuit", "Night Circuit — a racing car lit in the dark", "night-circuit"},
    };
    const auto& cases = allCases<WindowBackdrop>();
    ASSERT_EQ(cases.size(), expected.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const WindowBackdrop b = cases[i];
        const Row& row = expected[i];
        EXPECT_EQ(rawValue(b), row.raw);
        EXPECT_EQ(displayName(b), row.name);
        EXPECT_EQ(summary(b), row.summary);
        // The summary is the name, a spaced em dash (U+2014) and the description.
        EXPECT_EQ(std::string(summary(b)).rfind(std::string(row.name) + " \u2014 ", 0), 0U) << row.raw;
        EXPECT_EQ(photoStem(b).has_value(), row.stem != nullptr) << row.raw;
        if (row.stem) {
            EXPECT_EQ(*photoStem(b), row.stem);
        }
        EXPECT_EQ(isPhoto(b), row.stem != nullptr) << row.raw;
        EXPECT_EQ(fromRawValue<WindowBackdrop>(rawValue(b)), b);
    }
}

TEST(WindowBackdrop, StoredSettingLoadsOnlyExactRawValuesElseSystem) {
    EXPECT_EQ(kWindowBackdropSettingKey, "com.zephrane.windowBackdrop");
    EXPECT_EQ(storedWindowBackdrop(std::nullopt), WindowBackdrop::system);
    EXPECT_EQ(storedWindowBackdrop("nightCircuit"), WindowBackdrop::nightCircuit);
    for (const char* stored : {"BlackSand", "black-sand", " system", "", "blackSand ", "SYSTEM"})
        EXPECT_EQ(storedWindowBackdrop(stored), WindowBackdrop::system) << '"' << stored << '"';
}

TEST(WindowBackdrop, AppearancesAndAssets) {
    EXPECT_EQ(rawValue(BackdropAppearance::light), "light");
    EXPECT_EQ(rawValue(BackdropAppearance::dark), "dark");
    EXPECT_EQ(fromRawValue<BackdropAppearance>("Dark"), std::nullopt);
    EXPECT_EQ(otherAppearance(BackdropAppearance::light), BackdropAppearance::dark);
    EXPECT_EQ((BackdropPhotoAsset{"cirrus", BackdropAppearance::light}.resourceName()), "cirrus-light");

    // The thumbnail cache's key: equal stem and appearance, equal hash; the
    // same stem in the other appearance is another key.
    std::unordered_set<BackdropPhotoAsset> keys{{"aurora", BackdropAppearance::light},
                                                {"aurora", BackdropAppearance::dark},
                                                {"aurora", BackdropAppearance::light}};
    EXPECT_EQ(keys.size(), 2U);
}

TEST(WindowBackdrop, RenditionRule) {
    using A = BackdropAppearance;
    struct Row {
        const char* name;
        WindowBackdrop backdrop;
        BackdropEnvironment environment;
        BackdropRendition expected;
    };
    const std::vector<Row> rows{
        {"system is the material", WindowBackdrop::system, {A::dark, false, true}, NativeMaterialRendition{}},
        {"reduce transparency wins over a photograph", WindowBackdrop::aurora, {A::light, true, true},
         NativeMaterialRendition{}},
        {"light scheme, standard contrast", WindowBackdrop::cirrus, {A::light, false, false},
         PhotoRendition{{"cirrus", A::light}, {0.40, 0.06, 0.16, true}}},
        {"dark scheme, standard contrast", WindowBackdrop::nightCircuit, {A::dark, false, false},
         PhotoRendition{{"night-circuit", A::dark}, {0.38, 0.05, 0.15, false}}},
    };
    for (const Row& row : rows) EXPECT_EQ(backdropRendition(row.backdrop, row.environment), row.expected) << row.name;

    // Increased contrast lifts each opacity (the values are sums, so compare
    // within rounding).
    const struct {
        A scheme;
        double head, body, foot;
        bool light;
    } lifted[] = {{A::light, 0.66, 0.48, 0.50, true}, {A::dark, 0.64, 0.47, 0.49, false}};
    for (const auto& row : lifted) {
        const auto rendition = backdropRendition(WindowBackdrop::aurora, {row.scheme, false, true});
        const PhotoRendition* photo = photoOf(rendition);
        ASSERT_NE(photo, nullptr);
        EXPECT_EQ(photo->asset, (BackdropPhotoAsset{"aurora", row.scheme}));
        EXPECT_NEAR(photo->scrim.head, row.head, 1e-9);
        EXPECT_NEAR(photo->scrim.body, row.body, 1e-9);
        EXPECT_NEAR(photo->scrim.foot, row.foot, 1e-9);
        EXPECT_EQ(photo->scrim.isLightWash, row.light);
    }

    // Every photograph shares the wash of its scheme and contrast.
    for (WindowBackdrop b : allCases<WindowBackdrop>()) {
        if (!isPhoto(b)) continue;
        EXPECT_EQ(photoOf(backdropRendition(b, {A::dark, false, true}))->scrim,
                  photoOf(backdropRendition(WindowBackdrop::cirrus, {A::dark, false, true}))->scrim);
    }
}

TEST(WindowBackdrop, PurgeReachesTheInstalledHandlerOnly) {
    int purged = 0;
    purgeBackdropImages();  // nothing installed: nothing happens
    const auto previous = setBackdropImagePurgeHandler([&] { ++purged; });
    purgeBackdropImages();
    purgeBackdropImages();
    EXPECT_EQ(purged, 2);
    setBackdropImagePurgeHandler(previous);
    purgeBackdropImages();
    EXPECT_EQ(purged, 2);
}

}  // namespace
}  // namespace zephrane
