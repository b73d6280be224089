// The first-run wizard's five steps and what each shows: its title,
// subtitle and symbol, the step counter, which footer buttons it has, and
// the daemon step's status line. Plain tables and functions; the wizard's
// presenter moves between the steps.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ZephraneApp/DesignSystem/Controls/HelperStateRules.hpp"
#include "ZephraneApp/Services/Daemon/HelperState.hpp"

namespace zephrane::onboarding {

// In the wizard's order; the raw value + 1 is the number the counter shows.
enum class Step { welcome = 0, helper = 1, notifications = 2, loginItem = 3, done = 4 };
inline constexpr int kStepCount = 5;

// None for a raw value outside 0...4.
std::optional<Step> stepFromRawValue(int raw);
// The next and the previous step; done and welcome stay where they are.
Step nextStep(Step step);
Step previousStep(Step step);

std::string_view stepTitle(Step step);
std::string_view stepSubtitle(Step step);
std::string_view stepSymbol(Step step);
// "Step 1 of 5".
std::string stepCounterText(Step step);

// The footer: Back on the three middle steps; Skip Setup and the forward
// button ("Get Started" on the welcome, else "Continue") everywhere but on
// done, which has Finish alone.
bool showsBack(Step step);
bool showsSkip(Step step);
bool showsForward(Step step);
bool showsFinish(Step step);
std::string_view forwardTitle(Step step);

// The daemon step's status line: its text and tint (the install issue
// first, then the state); its symbol follows the state alone.
struct HelperStatusLine {
    std::string_view text;
    std::string_view symbol;
    design::HelperTint tint;
    friend bool operator==(const HelperStatusLine&, const HelperStatusLine&) = default;
};
HelperStatusLine helperStatusLine(HelperState::Kind state, bool hasInstallIssue);

// The daemon step's own action under the status line, when there is no
// install issue (with one, the repair action stands in for it).
enum class HelperStepAction { none, install, approve, tryAgain };
HelperStepAction helperStepAction(HelperState::Kind state);
std::string_view helperStepActionTitle(HelperStepAction action);

// The notifications step once the question is answered: "Notifications
// enabled" with a green check, or "Notifications not enabled" with a muted
// bell and the hint where to turn them on later.
struct NotificationAnswer {
    std::string_view text;
    std::string_view symbol;
    bool green;
    std::string_view hint;
    friend bool operator==(const NotificationAnswer&, const NotificationAnswer&) = default;
};
NotificationAnswer notificationAnswer(bool granted);

}  // namespace zephrane::onboarding
