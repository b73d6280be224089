#include "ZephraneApp/Services/Records/AlertsManager.hpp"

#include <QCoreApplication>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/notifications/FakeNotificationCenter.hpp"
#include "platform/oslog/OSLog.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using notifications::AuthorizationResult;
using notifications::FakeNotificationCenter;
using Time = std::chrono::system_clock::time_point;

// Every delivery, permission answer and post runs on later turns of the
// event loop; all of them are zero-delay, so a few turns settle them.
void settle() {
    for (int turn = 0; turn < 10; ++turn) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

struct Fixture {
    std::shared_ptr<FakeNotificationCenter> center = std::make_shared<FakeNotificationCenter>();
    Time now = Time(1'700'000'000s);
    std::unique_ptr<AlertsManager> manager = std::make_unique<AlertsManager>(center, [this] { return now; });

    std::vector<std::string> postedBodies() const {
        std::vector<std::string> bodies;
        for (const auto& request : center->posted()) bodies.push_back(request.body);
        return bodies;
    }
};

TEST(AlertsManagerTest, OverheatPostsOnRisingEdgesOutsideTheMinute) {
    Fixture f;
    const Time start = f.now;
    for (int tick = 0; tick < 5; ++tick) f.manager->update(true, "CPU Die", 95.4);
    settle();
    ASSERT_EQ(f.center->posted().size(), 1u);
    EXPECT_EQ(f.center->posted()[0].title, "Brumalune: Overheating");
    EXPECT_EQ(f.center->posted()[0].body, "CPU Die is running hot at 95\u00B0C");
    EXPECT_TRUE(f.center->posted()[0].defaultSound);
    EXPECT_EQ(f.center->authorizationRequests(), 1);

    struct Step {
        const char* edge;
        std::chrono::seconds at;  // since the first alarm
        std::size_t postedAfter;
    };
    const Step steps[] = {
        {"restart 59 s later is dropped", 59s, 1},
        {"restart exactly 60 s later posts", 60s, 2},
        {"restart 30 s after that is dropped", 90s, 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.edge);
        f.manager->update(false, "CPU Die", 80);
        f.now = start + step.at;
        f.manager->update(true, "CPU Die", 95);
        settle();
        EXPECT_EQ(f.center->posted().size(), step.postedAfter);
    }
    EXPECT_EQ(f.manager->inAppAlert(), std::nullopt);
    EXPECT_EQ(f.center->authorizationRequests(), 1);
}

TEST(AlertsManagerTest, KeyedConditionRisingInsideTheWindowStaysTriggered) {
    Fixture f;
    const Time start = f.now;
    const auto rule = [&](bool on) { f.manager->updateRule("group.gpu", on, "Brumalune: GPU Hot", "GPU is running hot at 90°C"); };
    rule(true);
    settle();
    rule(false);
    f.now = start + 30s;
    rule(true);  // inside the window: dropped, but remembered as triggered
    settle();    // (the throttle applies when the delivery runs)
    f.now = start + 90s;
    rule(true);  // still on: no edge
    settle();
    EXPECT_EQ(f.center->posted().size(), 1u);
    rule(false);
    rule(true);
    settle();
    ASSERT_EQ(f.center->posted().size(), 2u);
    EXPECT_EQ(f.center->posted()[1].title, "Brumalune: GPU Hot");
    EXPECT_EQ(f.center->posted()[1].body, "GPU is running hot at 90°C");
    EXPECT_NE(f.center->posted()[0].identifier, f.center->posted()[1].identifier);
}

TEST(AlertsManagerTest, KeysAndOverheatAreThrottledIndependently) {
    Fixture f;
    f.manager->updateRule("fanhealth.0", true, "Brumalune: Fan May Have Failed", "Left Fan stalled");
    f.manager->updateRule("fanhealth.1", true, "Brumalune: Fan May Have Failed", "Right Fan stalled");
    f.manager->update(true, "CPU Die", 100);
    settle();
    EXPECT_THAT(f.postedBodies(),
                ElementsAre("Left Fan stalled", "Right Fan stalled", "CPU Die is running hot at 100\u00B0C"));
}

TEST(AlertsManagerTest, AlarmsWaitingForPermissionFollowTheAnswer) {
    struct Case {
        const char* edge;
        AuthorizationResult answer;
        std::vector<std::string> posted;
        std::optional<std::string> inAppAlert;
        std::vector<oslog::LogRecord> log;
    };
    const std::string overheat = "CPU Die is running hot at 95\u00B0C";
    const std::vector<Case> cases = {
        {"granted", {true, std::nullopt}, {overheat, "Battery hot"}, std::nullopt, {}},
        {"refused", {false, std::nullopt}, {}, "Battery hot", {}},
        {"request failed",
         {false, "The name org.freedesktop.Notifications was not provided"},
         {},
         "Battery hot",
         {{"com.zephrane.app", "alerts", oslog::Level::error,
           "notification authorization request failed: The name org.freedesktop.Notifications was not provided"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        oslog::CaptureSink sink;
        Fixture f;
        f.center->holdAuthorization();
        f.center->answer = c.answer;
        f.manager->update(true, "CPU Die", 95);
        f.manager->updateRule("group.battery", true, "Brumalune: Battery Hot", "Battery hot");
        settle();
        EXPECT_THAT(f.center->posted(), IsEmpty());
        EXPECT_EQ(f.manager->inAppAlert(), std::nullopt);

        f.center->releaseAuthorization();
        settle();
        EXPECT_EQ(f.postedBodies(), c.posted);
        EXPECT_EQ(f.manager->inAppAlert(), c.inAppAlert);
        EXPECT_EQ(sink.records("com.zephrane.app", "alerts"), c.log);
        EXPECT_EQ(f.center->authorizationRequests(), 1);
    }
}

TEST(AlertsManagerTest, RefusedOverheatUsesTheUnitAtDelivery) {
    Fixture f;
    f.center->answer = {false, std::nullopt};
    f.manager->update(true, "CPU Die", 100);
    f.manager->setUseFahrenheit(true);  // before the deferred delivery runs
    settle();
    EXPECT_EQ(f.manager->inAppAlert(), "CPU Die is running hot at 212\u00B0F");

    f.manager->dismissInAppAlert();
    f.manager->update(false, "CPU Die", 80);
    f.now += 10s;
    f.manager->update(true, "CPU Die", 100);
    settle();
    EXPECT_EQ(f.manager->inAppAlert(), std::nullopt) << "a throttled alarm leaves the banner alone";
}

TEST(AlertsManagerTest, WithoutTheAppIdentityEveryAlarmIsInApp) {
    const std::optional<std::string> identities[] = {std::nullopt, std::string("com.example.other"), std::string("")};
    for (const auto& identity : identities) {
        SCOPED_TRACE(identity.value_or("<none>"));
        Fixture f;
        f.center->identifier = identity;
        EXPECT_FALSE(f.manager->canUseNotificationCenter());
        f.manager->updateRule("group.cpu", true, "Brumalune: CPU Hot", "CPU hot");
        EXPECT_EQ(f.manager->inAppAlert(), "CPU hot");
        f.manager->update(true, "CPU Die", 90);
        settle();
        EXPECT_EQ(f.manager->inAppAlert(), "CPU Die is running hot at 90\u00B0C");
        EXPECT_EQ(f.center->authorizationRequests(), 0);
        EXPECT_THAT(f.center->posted(), IsEmpty());
    }
    EXPECT_TRUE(Fixture().manager->canUseNotificationCenter());
}

TEST(AlertsManagerTest, FailedPostBecomesAnInAppAlertAndIsLogged) {
    oslog::CaptureSink sink;
    Fixture f;
    f.center->postError = "Connection was disconnected before a reply was received";
    f.manager->update(true, "CPU Die", 96);
    settle();
    EXPECT_EQ(f.manager->inAppAlert(), "CPU Die is running hot at 96\u00B0C");
    f.manager->updateRule("fanhealth.0", true, "Brumalune: Fan May Be Obstructed", "Fan only reaches 60%");
    settle();
    EXPECT_EQ(f.manager->inAppAlert(), "Fan only reaches 60%");
    EXPECT_THAT(sink.records("com.zephrane.app", "alerts"),
                ElementsAre(oslog::LogRecord{"com.zephrane.app", "alerts", oslog::Level::error,
                                             "notification post failed: Connection was disconnected before a reply "
                                             "was received"},
                            oslog::LogRecord{"com.zephrane.app", "alerts", oslog::Level::error,
                                             "rule notification post failed: Connection was disconnected before a "
                                             "reply was received"}));
}

TEST(AlertsManagerTest, ReleasedManagerDeliversNothing) {
    Fixture f;
    f.center->holdAuthorization();
    f.manager->update(true, "CPU Die", 95);
    settle();
    f.manager.reset();  // the permission request is still pending
    f.center->releaseAuthorization();
    settle();
    EXPECT_THAT(f.center->posted(), IsEmpty());

    Fixture g;
    g.manager->update(true, "CPU Die", 95);
    settle();
    g.manager->updateRule("group.cpu", true, "t", "deferred");
    g.manager.reset();  // before the deferred delivery runs
    settle();
    EXPECT_EQ(g.center->posted().size(), 1u);
}

TEST(AlertsManagerTest, DismissingWithoutAnAlertChangesNothing) {
    Fixture f;
    int changes = 0;
    QObject::connect(f.manager.get(), &AlertsManager::inAppAlertChanged, [&changes] { ++changes; });
    f.manager->dismissInAppAlert();
    EXPECT_EQ(f.manager->inAppAlert(), std::nullopt);
    EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace zephrane
