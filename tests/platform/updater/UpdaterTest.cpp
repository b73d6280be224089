#include "platform/updater/Updater.hpp"

#include <gtest/gtest.h>

namespace zephrane::updater {
namespace {

class FakeController final : public UpdaterController {
public:
    void startUpdater() override { ++starts; }
    bool automaticallyChecksForUpdates() const override { return automatic; }
    void setAutomaticallyChecksForUpdates(bool on) override {
        automatic = on;
        ++writes;
    }
    void checkForUpdates() override { ++checks; }

    bool automatic = true;
    int starts = 0;
    int writes = 0;
    int checks = 0;
};

TEST(Updater, OnlyAFeedWithARealHostCounts) {
    struct Case {
        const char* feed;
        bool configured;
    } cases[] = {
        {"https://updates.example.com/appcast.xml", true},
        {"https://updates.example.com.invalid/appcast.xml", false},
        {"https://UPDATES.EXAMPLE.INVALID/appcast.xml", false},
        {"file:///srv/appcast.xml", false},
        {"", false},
        {"not a url", false},
        {"http://[::1/appcast", false},
    };
    for (const Case& c : cases) EXPECT_EQ(feedIsConfigured(c.feed), c.configured) << c.feed;
    EXPECT_FALSE(feedIsConfigured(builtInFeed())) << "the default build names no feed";
}

TEST(Updater, WithoutAFeedTheUpdaterIsNeverStartedOrAsked) {
    FakeController controller;
    UpdaterViewModel model(controller, "https://feed.invalid/appcast.xml");
    EXPECT_FALSE(model.canCheckForUpdates());
    EXPECT_EQ(controller.starts, 0);
    EXPECT_FALSE(controller.automatic);
    const int writes = controller.writes;

    int changes = 0;
    QObject::connect(&model, &UpdaterViewModel::automaticallyChecksForUpdatesChanged, [&] { ++changes; });
    model.setAutomaticallyChecksForUpdates(true);
    EXPECT_TRUE(model.automaticallyChecksForUpdates());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(controller.writes, writes);
    EXPECT_FALSE(controller.automatic);
    model.checkForUpdates();
    EXPECT_EQ(controller.checks, 0);
}

TEST(Updater, WithAFeedTheUpdaterStartsAndOwnsThePreference) {
    FakeController controller;
    UpdaterViewModel model(controller, "https://updates.example.com/appcast.xml");
    EXPECT_TRUE(model.canCheckForUpdates());
    EXPECT_EQ(controller.starts, 1);
    EXPECT_TRUE(model.automaticallyChecksForUpdates());
    model.setAutomaticallyChecksForUpdates(false);
    EXPECT_FALSE(controller.automatic);
    model.checkForUpdates();
    EXPECT_EQ(controller.checks, 1);
}

}  // namespace
}  // namespace zephrane::updater
