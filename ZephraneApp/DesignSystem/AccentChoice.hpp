// The app's accent colour: six choices the user picks from, and the one
// app-wide accent every view draws with. The engine stores the choice and
// assigns the app-wide accent; the theme and the views read it.
#pragma once

#include <array>
#include <functional>
#include <string_view>

#include <QColor>

#include "shared/EnumCases.hpp"

namespace zephrane::Theme {

enum class AccentChoice { system, sky, teal, indigo, violet, graphite };

constexpr std::string_view rawValue(AccentChoice c) {
    switch (c) {
        case AccentChoice::system: return "system";
        case AccentChoice::sky: return "sky";
        case AccentChoice::teal: return "teal";
        case AccentChoice::indigo: return "indigo";
        case AccentChoice::violet: return "violet";
        case AccentChoice::graphite: return "graphite";
    }
    return "system";
}

constexpr std::string_view displayName(AccentChoice c) {
    switch (c) {
        case AccentChoice::system: return "System";
        case AccentChoice::sky: return "Sky";
        case AccentChoice::teal: return "Teal";
        case AccentChoice::indigo: return "Indigo";
        case AccentChoice::violet: return "Violet";
        case AccentChoice::graphite: return "Graphite";
    }
    return "";
}

// The choice's colour. `system` follows the desktop's control accent (the
// palette's highlight) and is resolved anew on every call, so a change of
// the desktop's accent shows at the next redraw.
QColor color(AccentChoice c);

// The app-wide accent. Read and assigned on the GUI thread only; it starts
// as `system` and changes only when the engine assigns it.
AccentChoice activeAccentChoice();
void setActiveAccentChoice(AccentChoice c);
QColor accentColor();

// Called after every assignment that changes the active choice (the theme's
// QML face re-reads its accent). Returns a token for removal.
using AccentListener = std::function<void(AccentChoice)>;
int addAccentListener(AccentListener listener);
void removeAccentListener(int token);

}  // namespace zephrane::Theme

namespace zephrane {
template <>
struct EnumCases<Theme::AccentChoice> {
    static constexpr std::string_view typeName = "AccentChoice";
    static constexpr std::array values{Theme::AccentChoice::system, Theme::AccentChoice::sky,
                                       Theme::AccentChoice::teal,   Theme::AccentChoice::indigo,
                                       Theme::AccentChoice::violet, Theme::AccentChoice::graphite};
};
}  // namespace zephrane
