// The daemon action presenter on a scripted face: what it shows for each
// state and which operation each button asks for.
#include "ZephraneApp/DesignSystem/Controls/HelperStateAction.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "FakeEngine.hpp"
#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"

namespace zephrane::design::testing {
namespace {

class HelperStateActionTest : public ::testing::Test {
protected:
    ThemeTokens theme_{nullptr, nullptr};
    FakeEngine engine_;
    HelperStateAction action_{theme_};
};

TEST_F(HelperStateActionTest, FollowsTheEnginesStateAndIssue) {
    action_.setDaemon(engine_.daemon());
    QSignalSpy changed(&action_, &HelperStateAction::stateChanged);
    EXPECT_EQ(action_.action(), HelperStateAction::Install);
    EXPECT_EQ(action_.buttonTitle(), QStringLiteral("Install fan-control helper"));

    engine_.setHelperState(HelperState::connected());
    EXPECT_EQ(action_.action(), HelperStateAction::None);
    EXPECT_FALSE(action_.showsButton());
    EXPECT_EQ(action_.tint(), Theme::statusGreen().light);

    engine_.setHelperInstallIssue(QStringLiteral("Older helper found."));
    EXPECT_EQ(action_.action(), HelperStateAction::Repair);
    EXPECT_EQ(action_.buttonTitle(), QStringLiteral("Repair Helper Setup…"));

    engine_.setHelperInstallIssue(QString());
    engine_.setHelperState(HelperState::enabled());
    EXPECT_TRUE(action_.connecting());
    EXPECT_EQ(action_.connectingCaption(), QStringLiteral("Connecting…"));
    EXPECT_EQ(changed.count(), 4);

    engine_.setHelperState(HelperState::unavailable("socket refused"));
    EXPECT_EQ(action_.action(), HelperStateAction::Install);
    EXPECT_NEAR(action_.tint().hsvHueF(), 0.009, 0.001);
}

TEST_F(HelperStateActionTest, ButtonsCallTheEngine) {
    action_.setDaemon(engine_.daemon());
    action_.activate();
    engine_.setHelperState(HelperState::requiresApproval());
    action_.activate();
    engine_.setHelperState(HelperState::enabled());
    action_.activate();  // the connecting row has no action button
    action_.refresh();
    engine_.setHelperInstallInFlight(true);
    action_.refresh();
    EXPECT_EQ(engine_.calls(), (QStringList{"installHelper", "openHelperApproval", "refreshHelperState"}));
}

TEST_F(HelperStateActionTest, WithoutADaemonOrOnceItIsGoneItReadsAsDefaults) {
    EXPECT_EQ(action_.action(), HelperStateAction::Install);
    action_.activate();  // nothing to ask, nothing fails
    {
        FakeEngine shortLived;
        shortLived.setHelperState(HelperState::connected());
        action_.setDaemon(shortLived.daemon());
        EXPECT_EQ(action_.action(), HelperStateAction::None);
    }
    EXPECT_EQ(action_.daemon(), nullptr);
    EXPECT_EQ(action_.action(), HelperStateAction::Install);
    action_.refresh();
    action_.activate();
}

TEST_F(HelperStateActionTest, RowSpacingFollowsTheCaption) {
    EXPECT_EQ(action_.rowSpacing(), 10);
    action_.setShowsConnectingCaption(true);
    EXPECT_EQ(action_.rowSpacing(), 8);
}

}  // namespace
}  // namespace zephrane::design::testing
