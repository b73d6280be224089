#include "ZephraneApp/MainWindow/MainWindowSections.hpp"

#include "ZephraneApp/DesignSystem/Tokens/SymbolTable.hpp"

namespace zephrane::mainwindow {

std::string_view sectionSymbol(Section section) {
    switch (section) {
        case Section::dashboard: {
            constexpr std::string_view gauge = "gauge.with.dots.needle.67percent";
            return design::symbolNamed(gauge) ? gauge : "speedometer";
        }
        case Section::sensors: return "list.bullet.rectangle";
        case Section::modes: return "square.grid.2x2";
        case Section::settings: return "gearshape";
    }
    return "speedometer";
}

FooterState footerState(bool smcAvailable, HelperState::Kind helper) {
    if (!smcAvailable) return FooterState::unavailable;
    return helper == HelperState::Kind::connected ? FooterState::active : FooterState::connecting;
}

std::string_view footerText(FooterState state) {
    switch (state) {
        case FooterState::active: return "Fan control active";
        case FooterState::connecting: return "Connecting\u2026";
        case FooterState::unavailable: return "Sensors unavailable";
    }
    return "";
}

}  // namespace zephrane::mainwindow
