#include "ZephraneApp/Shell/AppDelegate.hpp"

#include <csignal>
#include <chrono>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/oslog/OSLog.hpp"

namespace zephrane {
namespace {

using Theme::Appearance;

TEST(AppDelegate, AppearanceArgument) {
    struct Case {
        QStringList arguments;
        std::optional<Appearance> appearance;
    } cases[] = {
        {{}, std::nullopt},
        {{"Brumalune"}, std::nullopt},
        {{"Brumalune", "--appearance=dark"}, Appearance::dark},
        {{"Brumalune", "--appearance", "light"}, Appearance::light},
        {{"Brumalune", "--appearance=Dark"}, std::nullopt},
        {{"Brumalune", "--appearance=blue"}, std::nullopt},
        {{"Brumalune", "--appearance="}, std::nullopt},
        // The prefixed form wins although it comes later; only the first counts.
        {{"Brumalune", "--appearance", "light", "--appearance=dark", "--appearance=light"}, Appearance::dark},
        {{"Brumalune", "--appearance"}, std::nullopt},
        {{"Brumalune", "--appearance", "dark", "--appearance", "light"}, Appearance::dark},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AppDelegate::appearanceOverride(c.arguments), c.appearance) << c.arguments.join(' ').toStdString();
}

class AppDelegateMarkerTest : public testing::Test {
protected:
    QTemporaryDir home;
    QString marker() const { return home.path() + "/data/Zephrane/run.marker"; }
    oslog::CaptureSink log;
    static constexpr std::string_view kUnclean = "previous run ended without clean shutdown \u2014 external kill or crash";
};

TEST_F(AppDelegateMarkerTest, AnOrderlyRunLeavesNoMarkerAndAKilledOneIsReportedOnce) {
    {
        AppDelegate first(marker());
        first.didFinishLaunching();
        first.waitForMarkerWork();
        EXPECT_TRUE(QFileInfo::exists(marker()));
        EXPECT_EQ(QFileInfo(marker()).size(), 0);
        first.willTerminate();
        EXPECT_FALSE(QFileInfo::exists(marker()));
        EXPECT_TRUE(QFileInfo(home.path() + "/data/Zephrane").isDir());
    }
    EXPECT_FALSE(log.contains(oslog::Level::error, kUnclean));

    {
        AppDelegate killed(marker());
        killed.didFinishLaunching();
        killed.waitForMarkerWork();
        // Killed: willTerminate never runs.
    }
    AppDelegate next(marker());
    next.didFinishLaunching();
    // The removal waits for the queued check and write, so the marker is
    // gone afterwards even though no one waited for them.
    next.willTerminate();
    EXPECT_FALSE(QFileInfo::exists(marker()));
    int unclean = 0;
    for (const auto& record : log.records("com.zephrane.app", "lifecycle"))
        unclean += record.message == kUnclean && record.level == oslog::Level::error;
    EXPECT_EQ(unclean, 1);
}

TEST_F(AppDelegateMarkerTest, NoDataDirectoryMeansNoMarkerWork) {
    AppDelegate delegate(QString{});
    delegate.didFinishLaunching();
    delegate.willTerminate();
    delegate.waitForMarkerWork();
    EXPECT_FALSE(log.contains(oslog::Level::error, kUnclean));
}

TEST_F(AppDelegateMarkerTest, SigtermQuitsThroughTheEventLoopWithItsLogLines) {
    AppDelegate delegate(marker());
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &delegate,
                     &AppDelegate::willTerminate);
    int requests = 0;
    QObject::connect(&delegate, &AppDelegate::terminateRequested, [&] { ++requests; });
    delegate.didFinishLaunching();
    delegate.waitForMarkerWork();
    ASSERT_TRUE(QFileInfo::exists(marker()));

    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);  // the process survives: the handler only writes a byte
    QDeadlineTimer deadline(std::chrono::seconds(20));
    while (requests == 0 && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_EQ(requests, 1);
    delegate.willTerminate();  // what aboutToQuit runs when the loop is the app's

    std::vector<std::string> lines;
    for (const auto& record : log.records("com.zephrane.app", "lifecycle")) lines.push_back(record.message);
    EXPECT_EQ(lines, (std::vector<std::string>{"launched",
                                               "SIGTERM received from outside the app \u2014 terminating gracefully",
                                               "applicationShouldTerminate requested, sender exists: true",
                                               "terminating"}));
    EXPECT_FALSE(QFileInfo::exists(marker()));
}

}  // namespace
}  // namespace zephrane
