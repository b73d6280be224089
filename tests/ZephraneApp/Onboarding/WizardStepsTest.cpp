// The first-run wizard's tables: the steps in order with their texts and
// symbols, the counter, the footer of each step, the daemon step's status
// line and action, and the notification answer.
#include "ZephraneApp/Onboarding/WizardSteps.hpp"

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Tokens/SymbolTable.hpp"

namespace zephrane::onboarding {
namespace {

TEST(WizardSteps, FiveStepsInOrderThatStayPutAtEitherEnd) {
    EXPECT_EQ(stepFromRawValue(-1), std::nullopt);
    EXPECT_EQ(stepFromRawValue(5), std::nullopt);
    EXPECT_EQ(stepFromRawValue(3), Step::loginItem);
    EXPECT_EQ(nextStep(Step::welcome), Step::helper);
    EXPECT_EQ(nextStep(Step::loginItem), Step::done);
    EXPECT_EQ(nextStep(Step::done), Step::done);
    EXPECT_EQ(previousStep(Step::helper), Step::welcome);
    EXPECT_EQ(previousStep(Step::welcome), Step::welcome);
}

TEST(WizardSteps, EachStepHasItsTitleSymbolCounterAndFooter) {
    struct Case {
        Step step;
        const char* title;
        const char* symbol;
        const char* counter;
        bool back, skip, forward, finish;
        const char* forwardTitle;
    };
    const Case cases[] = {
        {Step::welcome, "Welcome to Brumalune", "fan.fill", "Step 1 of 5", false, true, true, false, "Get Started"},
        {Step::helper, "Fan-Control Helper", "bolt.shield.fill", "Step 2 of 5", true, true, true, false, "Continue"},
        {Step::notifications, "Overheat Alerts", "bell.badge.fill", "Step 3 of 5", true, true, true, false, "Continue"},
        {Step::loginItem, "Launch at Login", "power", "Step 4 of 5", true, true, true, false, "Continue"},
        {Step::done, "You're All Set", "checkmark.circle.fill", "Step 5 of 5", false, false, false, true, "Continue"},
    };
    for (const Case& c : cases) {
        const std::string name = stepCounterText(c.step);
        EXPECT_EQ(stepTitle(c.step), c.title) << name;
        EXPECT_EQ(stepSymbol(c.step), c.symbol) << name;
        EXPECT_TRUE(design::symbolNamed(stepSymbol(c.step)).has_value()) << name << ": the symbol table has it";
        EXPECT_FALSE(stepSubtitle(c.step).empty()) << name;
        EXPECT_EQ(name, c.counter);
        EXPECT_EQ(showsBack(c.step), c.back) << name;
        EXPECT_EQ(showsSkip(c.step), c.skip) << name;
        EXPECT_EQ(showsForward(c.step), c.forward) << name;
        EXPECT_EQ(showsFinish(c.step), c.finish) << name;
        if (c.forward) {
            EXPECT_EQ(forwardTitle(c.step), c.forwardTitle) << name;
        }
    }
}

TEST(WizardSteps, TheDaemonStatusLineTakesItsTextAndTintFromTheIssueFirstAndItsSymbolFromTheState) {
    using K = HelperState::Kind;
    using T = design::HelperTint;
    struct Case {
        K state;
        bool issue;
        HelperStatusLine line;
        HelperStepAction action;
    };
    const Case cases[] = {
        {K::notRegistered, false, {"Not installed yet", "circle.dashed", T::secondary}, HelperStepAction::install},
        {K::requiresApproval, false, {"Needs approval in System Settings", "exclamationmark.triangle.fill",
                                      T::statusOrange}, HelperStepAction::approve},
        {K::enabled, false, {"Enabled, connecting\u2026", "bolt.badge.checkmark", T::accent}, HelperStepAction::none},
        {K::connected, false, {"Connected", "checkmark.seal.fill", T::statusGreen}, HelperStepAction::none},
        {K::unavailable, false, {"Unavailable", "xmark.octagon.fill", T::unavailableRed}, HelperStepAction::tryAgain},
        {K::notRegistered, true, {"Helper setup needs attention", "circle.dashed", T::statusOrange},
         HelperStepAction::install},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(helperStatusLine(c.state, c.issue), c.line) << c.line.text;
        EXPECT_EQ(helperStepAction(c.state), c.action) << c.line.text;
        EXPECT_TRUE(design::symbolNamed(c.line.symbol).has_value()) << c.line.symbol;
    }
    EXPECT_EQ(helperStepActionTitle(HelperStepAction::install), "Install Helper");
    EXPECT_EQ(helperStepActionTitle(HelperStepAction::approve), "Open System Settings");
    EXPECT_EQ(helperStepActionTitle(HelperStepAction::tryAgain), "Try Helper Setup Again");
}

TEST(WizardSteps, TheNotificationAnswerSaysWhereToTurnThemOnLater) {
    EXPECT_EQ(notificationAnswer(true), (NotificationAnswer{"Notifications enabled", "checkmark.circle.fill", true, ""}));
    const NotificationAnswer refused = notificationAnswer(false);
    EXPECT_EQ(refused.text, "Notifications not enabled");
    EXPECT_EQ(refused.symbol, "bell.slash.fill");
    EXPECT_EQ(refused.hint, "You can turn these on later in System Settings \u25b8 Notifications.");
}

}  // namespace
}  // namespace zephrane::onboarding
