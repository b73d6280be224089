// Every symbol name the app uses resolves to something that draws: a glyph
// the installed icon font has, an SVG of ours that parses, or the fan path.
#include "ZephraneApp/DesignSystem/Tokens/SymbolTable.hpp"

#include <set>
#include <string>

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include "DesignQmlSupport.hpp"
#include "ZephraneApp/DesignSystem/Painters/FanGlyph.hpp"
#include "ZephraneApp/DesignSystem/Painters/SymbolPainter.hpp"
#include "shared/CustomMode.hpp"
#include "shared/DeviceSensorMap.hpp"

namespace zephrane::design {
namespace {

SMCSensor temperature(std::string key, SensorCategory category) {
    SMCSensor s;
    s.id = key;
    s.key = std::move(key);
    s.name = s.key;
    s.category = category;
    s.currentTemp = 50;
    s.sensorClass = SensorClass::temperature;
    s.unit = "°C";
    return s;
}

// Symbols the device sensor list can show: a machine with core, cluster,
// die and named keys, and one with only category sensors.
std::set<std::string> deviceSensorSymbols() {
    std::set<std::string> symbols;
    const std::vector<SMCSensor> cores{
        temperature("TW0P", SensorCategory::enclosure), temperature("TB0T", SensorCategory::battery),
        temperature("TB1T", SensorCategory::battery),   temperature("Tp01", SensorCategory::cpu),
        temperature("Tp05", SensorCategory::cpu),       temperature("Te05", SensorCategory::cpu),
        temperature("Tg05", SensorCategory::gpu),       temperature("Tg0D", SensorCategory::gpu),
        temperature("TPD0", SensorCategory::cpu),       temperature("TPSP", SensorCategory::enclosure),
        temperature("TDeL", SensorCategory::enclosure), temperature("TDeR", SensorCategory::enclosure),
        temperature("TH0x", SensorCategory::enclosure)};
    const std::vector<SMCSensor> categories{temperature("TC0P", SensorCategory::cpu),
                                            temperature("TG0P", SensorCategory::gpu)};
    for (const auto& machine : {cores, categories})
        for (const DeviceSensorReading& row : DeviceSensorMap::fixedList(machine, {2, 1})) symbols.insert(row.symbol);
    return symbols;
}

std::set<std::string> usedSymbols() {
    std::set<std::string> names = deviceSensorSymbols();
    for (std::string_view name : CustomMode::curatedSymbolNames) names.emplace(name);
    for (const CustomMode& mode : CustomMode::templates()) names.insert(mode.symbolName());
    names.insert("fan.fill");  // the spinning symbol's own
    return names;
}

TEST(SymbolTableTest, EverySymbolTheAppUsesIsInTheTable) {
    const std::set<std::string> used = usedSymbols();
    for (const char* expected : {"cpu", "memorychip", "wifi", "bolt.fill", "minus.plus.batteryblock"})
        EXPECT_TRUE(used.contains(expected)) << "the fixture no longer shows " << expected;
    for (const std::string& name : used) EXPECT_TRUE(symbolNamed(name).has_value()) << name;
}

TEST(SymbolTableTest, EveryEntryDraws) {
    testing::testTheme();  // the module's resources are linked in with it
    const QStringList families = QFontDatabase::families();
    ASSERT_TRUE(families.contains(kSymbolFontFamily)) << "the Material Icons font is not installed";
    const QRawFont font = QRawFont::fromFont(QFont(kSymbolFontFamily));
    ASSERT_TRUE(font.isValid());
    for (std::string_view name : symbolNames()) {
        const Symbol symbol = *symbolNamed(name);
        switch (symbol.kind) {
            case SymbolKind::glyph:
                EXPECT_TRUE(font.supportsCharacter(static_cast<uint>(symbol.codepoint))) << name;
                break;
            case SymbolKind::svg: {
                const QString path = QString::fromUtf8(kSymbolResourcePrefix.data(),
                                                       static_cast<qsizetype>(kSymbolResourcePrefix.size())) +
                                     QString::fromUtf8(symbol.resource.data(),
                                                       static_cast<qsizetype>(symbol.resource.size()));
                EXPECT_TRUE(QSvgRenderer(path).isValid()) << name;
                break;
            }
            case SymbolKind::fan: EXPECT_FALSE(fanGlyphPath(16).isEmpty()) << name; break;
        }
        // And it leaves ink where it is drawn.
        QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            ASSERT_TRUE(paintSymbol(painter, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                                    QRectF(0, 0, 24, 24), Qt::black));
        }
        int inked = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) inked += image.pixelColor(x, y).alpha() > 128 ? 1 : 0;
        EXPECT_GT(inked, 12) << name;
    }
    QImage image(8, 8, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    EXPECT_FALSE(paintSymbol(painter, QStringLiteral("no.such.symbol"), QRectF(0, 0, 8, 8), Qt::black));
}

TEST(SymbolTableTest, TheFanSpinsAboutItsCentre) {
    const QPainterPath fan = fanGlyphPath(24);
    const QRectF bounds = fan.boundingRect();
    EXPECT_NEAR(bounds.center().x(), 12, 1.0);
    EXPECT_NEAR(bounds.center().y(), 12, 1.0);
    EXPECT_TRUE(bounds.width() <= 24 && bounds.height() <= 24);
    EXPECT_FALSE(fan.contains(QPointF(12, 12)));  // the hub's hole
}

}  // namespace
}  // namespace zephrane::design
