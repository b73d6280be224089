// The main window's sidebar: a row per section with its label and symbol,
// and the one-line status at its foot.
#pragma once

#include <string_view>

#include "ZephraneApp/Model/Section.hpp"
#include "ZephraneApp/Services/Daemon/HelperState.hpp"

namespace zephrane::mainwindow {

// The dashboard's gauge where the symbol table has it, else the speedometer.
std::string_view sectionSymbol(Section section);

enum class FooterState { active, connecting, unavailable };

// Unreachable SMC wins over any daemon state; with the SMC, only a
// connected daemon makes fan control active.
FooterState footerState(bool smcAvailable, HelperState::Kind helper);
std::string_view footerText(FooterState state);

// The sidebar's width: at least 190 points, 210 when it may choose.
inline constexpr double kSidebarMinimumWidth = 190;
inline constexpr double kSidebarIdealWidth = 210;
// The detail column: never narrower or lower than 560 points; its content
// at most 1180 wide, centred.
inline constexpr double kDetailMinimumSize = 560;
inline constexpr double kDetailMaximumWidth = 1180;

}  // namespace zephrane::mainwindow
