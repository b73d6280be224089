#include "ZephraneApp/DesignSystem/Controls/HelperStateRules.hpp"


namespace zephrane::design {

HelperTint helperStateTint(HelperState::Kind state) {
    switch (state) {
        case HelperState::Kind::notRegistered: return HelperTint::secondary;
        case HelperState::Kind::requiresApproval: return HelperTint::statusOrange;
        case HelperState::Kind::enabled: return HelperTint::accent;
        case HelperState::Kind::connected: return HelperTint::statusGreen;
        case HelperState::Kind::unavailable: return HelperTint::unavailableRed;
    }
    return HelperTint::secondary;
}

QColor helperTintColor(HelperTint tint, Theme::Appearance appearance, const QColor& accent) {
    switch (tint) {
        case HelperTint::secondary: return Theme::systemColor(Theme::SystemColor::secondaryLabel).resolve(appearance);
        case HelperTint::statusOrange: return Theme::statusOrange().resolve(appearance);
        case HelperTint::accent: return accent;
        case HelperTint::statusGreen: return Theme::statusGreen().resolve(appearance);
        case HelperTint::unavailableRed: return QColor::fromHsvF(0.009F, 0.92F, 1.0F);
    }
    return {};
}

HelperAction helperAction(bool hasInstallIssue, HelperState::Kind state) {
    if (hasInstallIssue) return HelperAction::repair;
    switch (state) {
        case HelperState::Kind::notRegistered:
        case HelperState::Kind::unavailable: return HelperAction::install;
        case HelperState::Kind::requiresApproval: return HelperAction::approve;
        case HelperState::Kind::enabled: return HelperAction::connecting;
        case HelperState::Kind::connected: return HelperAction::none;
    }
    return HelperAction::none;
}

std::string_view helperActionTitle(HelperAction action) {
    switch (action) {
        case HelperAction::repair: return "Repair Helper Setup…";
        case HelperAction::install: return "Install fan-control helper";
        case HelperAction::approve: return "Approve in System Settings";
        case HelperAction::connecting:
        case HelperAction::none: return "";
    }
    return "";
}

double connectingRowSpacing(bool showsCaption) { return showsCaption ? 8 : 10; }

}  // namespace zephrane::design
