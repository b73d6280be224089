// What every page that shows the fan-control daemon offers for its state:
// the state's status colour, and the one next step (install, approve,
// repair, or wait while it connects, with a refresh).
#pragma once

#include <string_view>

#include <QColor>

#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"
#include "ZephraneApp/Services/Daemon/HelperState.hpp"

namespace zephrane::design {

enum class HelperTint { secondary, statusOrange, accent, statusGreen, unavailableRed };

HelperTint helperStateTint(HelperState::Kind state);
// The colour of a tint in an appearance; `accent` is the app's accent.
QColor helperTintColor(HelperTint tint, Theme::Appearance appearance, const QColor& accent);

enum class HelperAction { none, repair, install, approve, connecting };

// A recorded install issue asks for a repair whatever the state.
HelperAction helperAction(bool hasInstallIssue, HelperState::Kind state);

// The button title of an action with a button; empty for the others.
std::string_view helperActionTitle(HelperAction action);

inline constexpr std::string_view kConnectingCaption = "Connecting…";
inline constexpr std::string_view kRefreshTitle = "Refresh";

// Between the items of the connecting row.
double connectingRowSpacing(bool showsCaption);

}  // namespace zephrane::design
