#include "ZephraneApp/DesignSystem/Tokens/AccentColor.hpp"

#include <string>
#include <vector>

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

namespace zephrane::Theme {
namespace {

TEST(AccentChoiceTest, RawValuesRoundTripAndOnlyExactStringsAreRecognised) {
    std::vector<std::string> raws;
    for (AccentChoice c : allCases<AccentChoice>()) {
        raws.emplace_back(rawValue(c));
        EXPECT_EQ(fromRawValue<AccentChoice>(rawValue(c)), c);
    }
    EXPECT_EQ(raws, (std::vector<std::string>{"system", "sky", "teal", "indigo", "violet", "graphite"}));
    for (const char* stored : {"Sky", "SKY", " sky", "sky ", "", "blue"})
        EXPECT_EQ(fromRawValue<AccentChoice>(stored), std::nullopt) << stored;
}

TEST(AccentChoiceTest, FixedAccentsHaveTheirSRGBValuesAndFullOpacity) {
    struct Row { AccentChoice choice; const char* name; float r, g, b; };
    for (const Row& row : {Row{AccentChoice::sky, "Sky", 0.10F, 0.58F, 0.98F},
                           Row{AccentChoice::teal, "Teal", 0.19F, 0.69F, 0.68F},
                           Row{AccentChoice::indigo, "Indigo", 0.42F, 0.46F, 0.95F},
                           Row{AccentChoice::violet, "Violet", 0.64F, 0.45F, 0.94F},
                           Row{AccentChoice::graphite, "Graphite", 0.55F, 0.57F, 0.60F}}) {
        const QColor c = color(row.choice);
        EXPECT_EQ(displayName(row.choice), row.name);
        EXPECT_NEAR(c.redF(), row.r, 0.002) << row.name;
        EXPECT_NEAR(c.greenF(), row.g, 0.002) << row.name;
        EXPECT_NEAR(c.blueF(), row.b, 0.002) << row.name;
        EXPECT_EQ(c.alphaF(), 1.0F) << row.name;
    }
}

TEST(AccentChoiceTest, SystemAccentFollowsTheDesktopAtTheNextRead) {
    const QPalette original = QGuiApplication::palette();
    QPalette palette = original;
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(200, 10, 20));
    QGuiApplication::setPalette(palette);
    EXPECT_EQ(color(AccentChoice::system), QColor(200, 10, 20));
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(5, 150, 60));
    QGuiApplication::setPalette(palette);
    EXPECT_EQ(color(AccentChoice::system), QColor(5, 150, 60));
    QGuiApplication::setPalette(original);
}

}  // namespace
}  // namespace zephrane::Theme
