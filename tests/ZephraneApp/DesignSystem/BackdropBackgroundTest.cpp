// What a window or sheet puts behind its content follows the selected
// backdrop, the theme and whether the photograph could be shown.
#include "ZephraneApp/DesignSystem/Backdrops/BackdropBackground.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "platform/accessibility/FakeDisplayOptions.hpp"

namespace zephrane::design {
namespace {

using Fill = BackdropBackground::Fill;

QColor wash(bool white, double opacity) {
    QColor color = white ? QColor(255, 255, 255) : QColor(0, 0, 0);
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

std::vector<QColor> stopColours(const BackdropBackground& background) {
    std::vector<QColor> colours;
    for (const QVariant& stop : background.scrimStops()) colours.push_back(stop.toMap().value("color").value<QColor>());
    return colours;
}

TEST(BackdropBackgroundTest, WindowAndSheetFollowBackdropThemeAndAvailability) {
    const struct {
        const char* what;
        const char* backdrop;
        bool sheet, dark, reduceTransparency, increaseContrast, available;
        Fill fill;
        bool hasPhoto;
        const char* stem;  // the photograph asked for
        bool photoDark;
    } rows[] = {
        {"system window", "system", false, false, false, false, true, Fill::Material, false, "", false},
        {"system sheet", "system", true, true, false, false, true, Fill::Material, false, "", false},
        {"photo window, light", "aurora", false, false, false, false, true, Fill::Photo, true, "aurora", false},
        {"photo sheet, dark", "nightCircuit", true, true, false, false, true, Fill::Photo, true, "night-circuit", true},
        {"window under Reduce Transparency", "aurora", false, false, true, false, true, Fill::Material, false, "", false},
        {"sheet under Reduce Transparency", "aurora", true, true, true, false, true, Fill::Opaque, false, "", false},
        {"system sheet under Reduce Transparency", "system", true, false, true, false, true, Fill::Opaque, false, "", false},
        // Still asked for, so the layer keeps knowing it is missing.
        {"missing photo, window", "cirrus", false, false, false, false, false, Fill::Material, false, "cirrus", false},
        {"missing photo, sheet", "cirrus", true, true, false, true, false, Fill::Material, false, "cirrus", true},
        {"not a raw value", "Aurora", false, false, false, false, true, Fill::Material, false, "", false},
        {"empty", "", true, false, false, false, true, Fill::Material, false, "", false},
    };
    for (const auto& row : rows) {
        accessibility::FakeDisplayOptions options;
        options.setOptions({false, row.reduceTransparency, row.increaseContrast});
        ThemeTokens theme(&options, nullptr);
        theme.setForcedAppearance(row.dark ? Theme::Appearance::dark : Theme::Appearance::light);
        BackdropBackground background(theme);
        background.setBackdrop(row.backdrop);
        background.setSheet(row.sheet);
        background.setPhotoAvailable(row.available);
        EXPECT_EQ(background.fill(), row.fill) << row.what;
        EXPECT_EQ(background.hasPhoto(), row.hasPhoto) << row.what;
        EXPECT_EQ(background.photoStem(), QString(row.stem)) << row.what;
        EXPECT_EQ(background.photoDark(), row.photoDark) << row.what;
        ASSERT_EQ(background.scrimStops().size(), 4) << row.what;
        if (row.fill != Fill::Photo) {
            for (const QColor& colour : stopColours(background)) EXPECT_EQ(colour.alpha(), 0) << row.what;
        }
    }
}

TEST(BackdropBackgroundTest, TheWashFollowsAppearanceAndContrastAtItsFourLocations) {
    accessibility::FakeDisplayOptions options;
    ThemeTokens theme(&options, nullptr);
    theme.setForcedAppearance(Theme::Appearance::dark);
    options.setOptions({false, false, true});
    BackdropBackground background(theme);
    background.setBackdrop("riviera");

    const QVariantList stops = background.scrimStops();
    const double locations[] = {0.0, 0.38, 0.72, 1.0};
    const QColor colours[] = {wash(false, 0.64), wash(false, 0.47), wash(false, 0.47), wash(false, 0.49)};
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(stops[i].toMap().value("location").toDouble(), locations[i]);
        EXPECT_EQ(stops[i].toMap().value("color").value<QColor>(), colours[i]) << i;
    }

    theme.setForcedAppearance(Theme::Appearance::light);
    options.setOptions({});
    EXPECT_EQ(stopColours(background),
              (std::vector<QColor>{wash(true, 0.40), wash(true, 0.06), wash(true, 0.06), wash(true, 0.16)}));
    EXPECT_EQ(background.photoStem(), "riviera");
    EXPECT_FALSE(background.photoDark());
}

// Each output announces only its own real changes. The photo layer binds
// to the photograph's name and reports back whether it can be shown: that
// report moves the fill, and must not announce the name again, or the
// name's binding would run inside itself.
TEST(BackdropBackgroundTest, EachOutputIsAnnouncedOnlyWhenItChanges) {
    accessibility::FakeDisplayOptions options;
    ThemeTokens theme(&options, nullptr);
    theme.setForcedAppearance(Theme::Appearance::light);
    BackdropBackground background(theme);
    QSignalSpy photo(&background, &BackdropBackground::photoChanged);
    QSignalSpy fill(&background, &BackdropBackground::fillChanged);
    QSignalSpy hasPhoto(&background, &BackdropBackground::hasPhotoChanged);
    QSignalSpy stops(&background, &BackdropBackground::scrimStopsChanged);
    const auto counts = [&] {
        return std::vector<qsizetype>{photo.count(), fill.count(), hasPhoto.count(), stops.count()};
    };
    using Counts = std::vector<qsizetype>;

    background.setBackdrop("system");  // unchanged
    background.setBackdrop("paleSand");
    EXPECT_EQ(counts(), (Counts{1, 1, 1, 1}));
    options.setOptions({true, false, false});  // Reduce Motion changes no backdrop
    background.setSheet(true);                 // a sheet without Reduce Transparency looks the same
    EXPECT_EQ(counts(), (Counts{1, 1, 1, 1}));
    theme.setForcedAppearance(Theme::Appearance::dark);  // the other photograph, another wash
    EXPECT_EQ(counts(), (Counts{2, 1, 1, 2}));
    EXPECT_TRUE(background.photoDark());

    // The photograph cannot be shown: the material, no wash, the same name.
    background.setSheet(false);
    background.setPhotoAvailable(false);
    EXPECT_EQ(counts(), (Counts{2, 2, 2, 3}));
    EXPECT_EQ(background.fill(), Fill::Material);
    EXPECT_EQ(background.photoStem(), "pale-sand");

    background.setPhotoAvailable(true);
    background.setSheet(true);
    options.setOptions({false, true, false});  // an opaque sheet asks for no photograph
    EXPECT_EQ(background.fill(), Fill::Opaque);
    EXPECT_EQ(photo.count(), 3);
    EXPECT_EQ(background.photoStem(), "");
}

}  // namespace
}  // namespace zephrane::design
