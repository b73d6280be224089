#include "ZephraneApp/Settings/HelperStatusRules.hpp"

namespace zephrane::settingsview {

std::string_view helperStateSymbol(HelperState::Kind state) {
    switch (state) {
        case HelperState::Kind::notRegistered: return "circle.dashed";
        case HelperState::Kind::requiresApproval: return "exclamationmark.triangle.fill";
        case HelperState::Kind::enabled: return "bolt.badge.checkmark";
        case HelperState::Kind::connected: return "checkmark.seal.fill";
        case HelperState::Kind::unavailable: return "xmark.octagon.fill";
    }
    return "circle.dashed";
}

HelperStatus settingsHelperStatus(const HelperState& state, bool hasInstallIssue) {
    if (hasInstallIssue)
        return {"Setup Needs Attention", "exclamationmark.triangle.fill", design::HelperTint::statusOrange};
    const auto label = [&state]() -> std::string {
        switch (state.kind()) {
            case HelperState::Kind::notRegistered: return "Not Installed";
            case HelperState::Kind::requiresApproval: return "Needs Approval";
            case HelperState::Kind::enabled: return "Enabled";
            case HelperState::Kind::connected: return "Connected";
            case HelperState::Kind::unavailable: return state.reason();
        }
        return {};
    };
    return {label(), helperStateSymbol(state.kind()), design::helperStateTint(state.kind())};
}

}  // namespace zephrane::settingsview
