// The heat sources card: which list it shows, how many rows, what each row
// says, and what it says with none.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zephrane::mainwindow {

enum class HeatSourceMode : std::uint8_t { live, today };

// "Live", "Today": also the raw values.
std::string_view heatSourceModeLabel(HeatSourceMode mode);
// Only the two labels; anything else is none.
std::optional<HeatSourceMode> heatSourceModeFromLabel(std::string_view label);
// A picker's segment by its position (0 live, 1 today); anything else is none.
std::optional<HeatSourceMode> heatSourceModeAt(int index);

// The card shows the first five of the engine's ranking, in its order.
inline constexpr std::size_t kVisibleHeatSources = 5;

// The share as a whole percentage, halves away from zero: 0.125 is "13%".
// A share that is not a number, or beyond any percentage the row can
// show, reads "—".
std::string heatSharePercentText(double cpuShare);
// The bar's fill: the share within 0...1; 0 for one that is not a number.
double heatShareFraction(double cpuShare);
// What a screen reader says for the row: "name, 13%".
std::string heatSourceRowLabel(std::string_view name, double cpuShare);
// The quit button's spoken label and the context menu's item: "Quit name".
std::string quitApplicationLabel(std::string_view name);

struct HeatSourcesEmptyText {
    std::string_view title;
    std::string_view description;
};
HeatSourcesEmptyText heatSourcesEmptyText(HeatSourceMode mode);

inline constexpr std::string_view kHeatSourcesTitle = "Heat Sources";
inline constexpr std::string_view kHeatSourcePeriodLabel = "Heat source period";
inline constexpr std::string_view kQuit = "Quit";

}  // namespace zephrane::mainwindow
