#include "ZephraneApp/Onboarding/WizardSteps.hpp"

#include "ZephraneApp/Settings/HelperStatusRules.hpp"

namespace zephrane::onboarding {

std::optional<Step> stepFromRawValue(int raw) {
    if (raw < 0 || raw >= kStepCount) return std::nullopt;
    return static_cast<Step>(raw);
}

Step nextStep(Step step) { return stepFromRawValue(static_cast<int>(step) + 1).value_or(step); }
Step previousStep(Step step) { return stepFromRawValue(static_cast<int>(step) - 1).value_or(step); }

std::string_view stepTitle(Step step) {
    switch (step) {
        case Step::welcome: return "Welcome to Brumalune";
        case Step::helper: return "Fan-Control Helper";
        case Step::notifications: return "Overheat Alerts";
        case Step::loginItem: return "Launch at Login";
        case Step::done: return "You're All Set";
    }
    return "";
}

std::string_view stepSubtitle(Step step) {
    switch (step) {
        case Step::welcome:
            return "A quick, one-time setup: three short steps, then straight to the dashboard.";
        case Step::helper:
            return "Brumalune reads sensors directly, but writing fan speeds needs a small privileged helper, "
                   "approved once in System Settings.";
        case Step::notifications:
            return "Get notified if a sensor group runs hot, even when Brumalune isn't in front.";
        case Step::loginItem:
            return "Have Brumalune start automatically when you log in, so your fan curves are always active.";
        case Step::done: return "You can revisit any of this later from Settings.";
    }
    return "";
}

std::string_view stepSymbol(Step step) {
    switch (step) {
        case Step::welcome: return "fan.fill";
        case Step::helper: return "bolt.shield.fill";
        case Step::notifications: return "bell.badge.fill";
        case Step::loginItem: return "power";
        case Step::done: return "checkmark.circle.fill";
    }
    return "";
}

std::string stepCounterText(Step step) {
    return "Step " + std::to_string(static_cast<int>(step) + 1) + " of " + std::to_string(kStepCount);
}

bool showsBack(Step step) { return step != Step::welcome && step != Step::done; }
bool showsSkip(Step step) { return step != Step::done; }
bool showsForward(Step step) { return step != Step::done; }
bool showsFinish(Step step) { return step == Step::done; }

std::string_view forwardTitle(Step step) { return step == Step::welcome ? "Get Started" : "Continue"; }

HelperStatusLine helperStatusLine(HelperState::Kind state, bool hasInstallIssue) {
    const std::string_view symbol = settingsview::helperStateSymbol(state);
    if (hasInstallIssue) return {"Helper setup needs attention", symbol, design::HelperTint::statusOrange};
    const auto text = [state]() -> std::string_view {
        switch (state) {
            case HelperState::Kind::notRegistered: return "Not installed yet";
            case HelperState::Kind::requiresApproval: return "Needs approval in System Settings";
            case HelperState::Kind::enabled: return "Enabled, connecting\u2026";
            case HelperState::Kind::connected: return "Connected";
            case HelperState::Kind::unavailable: return "Unavailable";
        }
        return "";
    };
    return {text(), symbol, design::helperStateTint(state)};
}

HelperStepAction helperStepAction(HelperState::Kind state) {
    switch (state) {
        case HelperState::Kind::notRegistered: return HelperStepAction::install;
        case HelperState::Kind::requiresApproval: return HelperStepAction::approve;
        case HelperState::Kind::unavailable: return HelperStepAction::tryAgain;
        case HelperState::Kind::enabled:
        case HelperState::Kind::connected: return HelperStepAction::none;
    }
    return HelperStepAction::none;
}

std::string_view helperStepActionTitle(HelperStepAction action) {
    switch (action) {
        case HelperStepAction::install: return "Install Helper";
        case HelperStepAction::approve: return "Open System Settings";
        case HelperStepAction::tryAgain: return "Try Helper Setup Again";
        case HelperStepAction::none: return "";
    }
    return "";
}

NotificationAnswer notificationAnswer(bool granted) {
    if (granted) return {"Notifications enabled", "checkmark.circle.fill", true, ""};
    return {"Notifications not enabled", "bell.slash.fill", false,
            "You can turn these on later in System Settings \u25B8 Notifications."};
}

}  // namespace zephrane::onboarding
