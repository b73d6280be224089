#include "ZephraneApp/DesignSystem/Tokens/SymbolTable.hpp"

#include <algorithm>
#include <array>

namespace zephrane::design {
namespace {

struct Entry {
    std::string_view name;
    Symbol symbol;
};

constexpr Symbol glyph(char32_t codepoint) { return {SymbolKind::glyph, codepoint, {}}; }
constexpr Symbol svg(std::string_view file) { return {SymbolKind::svg, 0, file}; }

// Glyphs by their Material Icons names, noted beside each.
constexpr std::array kTable{
    Entry{"fan.fill", {SymbolKind::fan, 0, {}}},
    Entry{"fan.slash", glyph(0xec17)},                         // mode_fan_off
    Entry{"thermometer", glyph(0xf076)},                       // thermostat
    Entry{"thermometer.medium", glyph(0xf076)},                // thermostat
    Entry{"flame.fill", glyph(0xef55)},                        // local_fire_department
    Entry{"bolt.fill", glyph(0xea0b)},                         // bolt
    Entry{"bolt.horizontal.fill", svg("bolt.horizontal.fill.svg")},
    Entry{"bolt.slash", glyph(0xe3e6)},                        // flash_off
    Entry{"bolt.shield.fill", glyph(0xe9e0)},                  // shield
    Entry{"bolt.badge.checkmark", glyph(0xe932)},              // offline_bolt
    Entry{"lock.shield.fill", glyph(0xe32a)},                  // security
    Entry{"cpu", glyph(0xe322)},                               // memory (a chip)
    Entry{"cpu.fill", glyph(0xe322)},                          // memory
    Entry{"chip", glyph(0xe322)},                              // memory
    Entry{"memorychip", glyph(0xe30d)},                        // developer_board
    Entry{"brain", glyph(0xea4a)},                             // psychology
    Entry{"minus.plus.batteryblock", svg("minus.plus.batteryblock.svg")},
    Entry{"battery.100percent", glyph(0xe1a4)},                // battery_full
    Entry{"battery.75percent", glyph(0xebd4)},                 // battery_5_bar
    Entry{"battery.50percent", glyph(0xebdd)},                 // battery_3_bar
    Entry{"battery.25percent", glyph(0xebe0)},                 // battery_2_bar
    Entry{"battery.0percent", glyph(0xebdc)},                  // battery_0_bar
    Entry{"powerplug", glyph(0xe63c)},                         // power
    Entry{"powerplug.fill", glyph(0xe63c)},                    // power
    Entry{"wifi", glyph(0xe63e)},                              // wifi
    Entry{"internaldrive.fill", glyph(0xe1db)},                // storage
    Entry{"dot.scope", glyph(0xe1b3)},                         // gps_fixed
    Entry{"gamecontroller.fill", glyph(0xea28)},               // sports_esports
    Entry{"mic.fill", glyph(0xe029)},                          // mic
    Entry{"cube.fill", glyph(0xe9fe)},                         // view_in_ar
    Entry{"moon.fill", glyph(0xe51c)},                         // dark_mode
    Entry{"film.fill", glyph(0xe02c)},                         // movie
    Entry{"chart.bar.fill", glyph(0xe26b)},                    // bar_chart
    Entry{"exclamationmark.triangle.fill", glyph(0xe002)},     // warning
    Entry{"xmark.octagon.fill", glyph(0xe99a)},                // dangerous
    Entry{"xmark.circle.fill", glyph(0xe5c9)},                 // cancel
    Entry{"xmark", glyph(0xe5cd)},                             // close
    Entry{"checkmark.circle.fill", glyph(0xe86c)},             // check_circle
    Entry{"checkmark.seal.fill", glyph(0xef76)},               // verified
    Entry{"circle.dashed", svg("circle.dashed.svg")},
    Entry{"chevron.right", glyph(0xe5cc)},                     // chevron_right
    Entry{"info.circle", glyph(0xe88f)},                       // info_outline
    Entry{"gearshape", glyph(0xe8b8)},                         // settings
    Entry{"sparkles", glyph(0xe65f)},                          // auto_awesome
    Entry{"pin", glyph(0xf10d)},                               // push_pin
    Entry{"pin.slash", svg("pin.slash.svg")},
    Entry{"pencil", glyph(0xe3c9)},                            // edit
    Entry{"plus", glyph(0xe145)},                              // add
    Entry{"trash", glyph(0xe872)},                             // delete
    Entry{"square.grid.2x2", glyph(0xe9b0)},                   // grid_view
    Entry{"list.bullet.rectangle", glyph(0xe0ee)},             // list_alt
    Entry{"gauge.with.dots.needle.67percent", glyph(0xe9e4)},  // speed
    Entry{"speedometer", glyph(0xe9e4)},                       // speed
    Entry{"bell.slash.fill", glyph(0xe7f6)},                   // notifications_off
    Entry{"bell.badge.fill", glyph(0xe7f7)},                   // notifications_active
    Entry{"power", glyph(0xe8ac)},                             // power_settings_new
    Entry{"sensor", glyph(0xe51e)},                            // sensors
    Entry{"magnifyingglass", glyph(0xe8b6)},                   // search
};

constexpr std::array kNames = [] {
    std::array<std::string_view, kTable.size()> names{};
    for (std::size_t i = 0; i < kTable.size(); ++i) names[i] = kTable[i].name;
    return names;
}();

}  // namespace

std::optional<Symbol> symbolNamed(std::string_view name) {
    const auto found = std::find_if(kTable.begin(), kTable.end(), [&](const Entry& e) { return e.name == name; });
    if (found == kTable.end()) return std::nullopt;
    return found->symbol;
}

std::span<const std::string_view> symbolNames() { return kNames; }

}  // namespace zephrane::design
