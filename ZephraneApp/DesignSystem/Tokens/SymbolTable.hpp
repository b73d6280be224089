// The app's symbols by name. The screens name symbols the way the design
// does ("fan.fill", "thermometer.medium"...); each name maps to a glyph of
// the Material Icons font, to a small SVG of ours where no glyph fits, or,
// for the fan, to the path we draw ourselves so it can spin and be tinted.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include <QString>

namespace zephrane::design {

enum class SymbolKind { glyph, svg, fan };

struct Symbol {
    SymbolKind kind = SymbolKind::glyph;
    char32_t codepoint = 0;        // glyph: in the Material Icons font
    std::string_view resource;     // svg: a file of the design module's resources
    friend bool operator==(const Symbol&, const Symbol&) = default;
};

inline const QString kSymbolFontFamily = QStringLiteral("Material Icons");
// Where the SVGs live among the design module's resources.
inline constexpr std::string_view kSymbolResourcePrefix = ":/Zephrane/Design/Painters/symbols/";

std::optional<Symbol> symbolNamed(std::string_view name);

// Every name the table knows, in table order.
std::span<const std::string_view> symbolNames();

}  // namespace zephrane::design
