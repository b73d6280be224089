// The first-run wizard's presenter on the scripted face: moving through the
// steps, finishing from any of them, the daemon step's refresh on arrival
// and its actions, the notification question (the later answer wins, also
// after moving on; another identity is answered at once) and the login item.
#include "ZephraneApp/Onboarding/FirstRunWizard.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"
#include "tests/ZephraneApp/Concurrency/AwaitTask.hpp"

namespace zephrane::onboarding {
namespace {

class FirstRunWizardTest : public ::testing::Test {
protected:
    FirstRunWizardTest() {
        auto system = face.system().state();
        system.canUseNotificationCenter = true;
        face.system().publish(system);
        wizard.setFace(&face);
    }
    std::vector<std::string> commands() const {
        std::vector<std::string> described;
        for (const face::FaceCommand& c : face.commands()) described.push_back(face::describe(c));
        return described;
    }
    void publishDaemon(HelperState state, std::optional<std::string> issue = std::nullopt) {
        auto d = face.daemon().state();
        d.helperState = std::move(state);
        d.helperInstallIssue = std::move(issue);
        face.daemon().publish(d);
    }

    design::ThemeTokens theme{nullptr, nullptr};
    face::ScriptedEngineFace face;
    FirstRunWizard wizard{theme};
};

TEST_F(FirstRunWizardTest, StartsOnTheWelcomeWithNothingAsked) {
    EXPECT_EQ(wizard.step(), Step::welcome);
    EXPECT_EQ(wizard.counterText(), "Step 1 of 5");
    EXPECT_FALSE(wizard.notificationsRequested());
    EXPECT_FALSE(wizard.hasLoginItemError());
    EXPECT_TRUE(commands().empty());
}

TEST_F(FirstRunWizardTest, ArrivingOnTheDaemonStepRefreshesItOnceEachTime) {
    wizard.forward();
    wizard.forward();  // on to notifications: no refresh
    wizard.back();     // back onto the daemon step: again
    wizard.back();
    wizard.back();     // stays on the welcome
    EXPECT_EQ(wizard.step(), Step::welcome);
    EXPECT_EQ(commands(), (std::vector<std::string>{"RefreshHelperState", "RefreshHelperState"}));
}

TEST_F(FirstRunWizardTest, FinishingFromAnyStepMarksSetupCompleteThenDismisses) {
    for (const int step : {0, 2, 4}) {
        face.clearCommands();
        FirstRunWizard fresh{theme};
        fresh.setFace(&face);
        fresh.setStepValue(step);
        QSignalSpy dismissed(&fresh, &FirstRunWizard::dismissRequested);
        bool completeWhenDismissed = false;
        QObject::connect(&fresh, &FirstRunWizard::dismissRequested,
                         [&] { completeWhenDismissed = face.preferences().hasCompletedFirstRunSetupValue(); });
        fresh.finish();
        EXPECT_EQ(dismissed.count(), 1) << step;
        EXPECT_TRUE(completeWhenDismissed) << "the flag is set first";
        EXPECT_EQ(commands().back(), "ChangeSetting(hasCompletedFirstRunSetup, true)");
        auto p = face.preferences().state();
        p.hasCompletedFirstRunSetup = false;
        face.preferences().publish(p);
    }
}

TEST_F(FirstRunWizardTest, TheDaemonStepOffersTheActionOfItsStateAndTheRepairForAnIssue) {
    wizard.setStepValue(FirstRunWizard::Helper);
    face.clearCommands();
    publishDaemon(HelperState::notRegistered());
    EXPECT_EQ(wizard.helperAction(), FirstRunWizard::Install);
    EXPECT_EQ(wizard.helperActionTitle(), "Install Helper");
    wizard.performHelperAction();
    publishDaemon(HelperState::requiresApproval());
    EXPECT_EQ(wizard.helperStatusText(), "Needs approval in System Settings");
    wizard.performHelperAction();
    publishDaemon(HelperState::unavailable("socket refused"));
    EXPECT_EQ(wizard.helperReason(), "socket refused");
    EXPECT_EQ(wizard.helperActionTitle(), "Try Helper Setup Again");
    wizard.performHelperAction();
    publishDaemon(HelperState::connected());
    EXPECT_EQ(wizard.helperAction(), FirstRunWizard::NoAction);
    wizard.performHelperAction();
    publishDaemon(HelperState::notRegistered(), "Move Brumalune to Applications.");
    EXPECT_EQ(wizard.helperAction(), FirstRunWizard::Repair);
    EXPECT_EQ(wizard.helperStatusText(), "Helper setup needs attention");
    EXPECT_EQ(wizard.helperStatusSymbol(), "circle.dashed");
    EXPECT_EQ(wizard.helperStatusColor(), Theme::statusOrange().light);
    EXPECT_EQ(commands(),
              (std::vector<std::string>{"InstallHelper", "OpenHelperApproval", "InstallHelper"}));
}

TEST_F(FirstRunWizardTest, AnotherIdentityIsAnsweredAtOnceWithoutAsking) {
    auto system = face.system().state();
    system.canUseNotificationCenter = false;
    face.system().publish(system);
    wizard.requestNotifications();
    EXPECT_TRUE(wizard.notificationsRequested());
    EXPECT_FALSE(wizard.notificationsGranted());
    EXPECT_EQ(wizard.notificationStatusText(), "Notifications not enabled");
    EXPECT_TRUE(commands().empty()) << "the system was not asked";
}

TEST_F(FirstRunWizardTest, TheLaterAnswerWinsEvenAfterTheUserMovedOn) {
    face.holdNotificationRequests(true);
    wizard.setStepValue(FirstRunWizard::Notifications);
    wizard.requestNotifications();
    wizard.requestNotifications();
    wizard.forward();
    ASSERT_EQ(face.heldNotificationRequests(), 2u);
    face.answerHeldNotificationRequest(1, {true, std::nullopt});
    ASSERT_TRUE(testfakes::eventually([&] { return wizard.notificationsRequested(); }));
    EXPECT_TRUE(wizard.notificationsGranted());
    face.answerHeldNotificationRequest(0, {false, std::nullopt});
    ASSERT_TRUE(testfakes::eventually([&] { return !wizard.notificationsGranted(); }));
    EXPECT_EQ(wizard.notificationStatusText(), "Notifications not enabled");
}

TEST_F(FirstRunWizardTest, AFailedRequestCountsAsRefused) {
    face.setNotificationAnswer({false, "The notification server is gone."});
    wizard.requestNotifications();
    ASSERT_TRUE(testfakes::eventually([&] { return wizard.notificationsRequested(); }));
    EXPECT_FALSE(wizard.notificationsGranted());
    face.setNotificationAnswer({true, std::nullopt});
    wizard.requestNotifications();
    ASSERT_TRUE(testfakes::eventually([&] { return wizard.notificationsGranted(); }));
}

TEST_F(FirstRunWizardTest, AnAnswerAfterTheWizardWentIsDropped) {
    face.holdNotificationRequests(true);
    {
        FirstRunWizard gone{theme};
        gone.setFace(&face);
        gone.requestNotifications();
    }
    face.answerHeldNotificationRequest(0, {true, std::nullopt});
    QCoreApplication::processEvents();
    SUCCEED() << "nothing touched the wizard that went";
}

TEST_F(FirstRunWizardTest, ARefusedLoginItemLeavesTheToggleOffWithTheErrorUntilAChangeTakes) {
    wizard.setStepValue(FirstRunWizard::LoginItem);
    EXPECT_EQ(commands(), std::vector<std::string>{"RefreshLaunchAtLogin"}) << "read when the step shows";
    face.setLoginItemFailure("Operation not permitted");
    wizard.setLaunchAtLogin(true);
    EXPECT_FALSE(wizard.launchAtLogin());
    EXPECT_EQ(wizard.loginItemError(), "Operation not permitted");
    face.setLoginItemFailure(std::nullopt);
    wizard.setLaunchAtLogin(true);
    EXPECT_TRUE(wizard.launchAtLogin());
    EXPECT_FALSE(wizard.hasLoginItemError());
}

}  // namespace
}  // namespace zephrane::onboarding
