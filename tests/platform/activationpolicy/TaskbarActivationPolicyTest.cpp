// The activation policy on a desktop of its own (scripts/desktop: Xvfb,
// openbox): a window shown as an accessory app's is left out of the task
// bar, a change while it shows goes through the window manager, and the
// policy holds when the window is hidden and shown again. Without a
// display the policy only keeps its value.
#include "platform/activationpolicy/TaskbarActivationPolicy.hpp"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include <QGuiApplication>
#include <QWindow>

#include <gtest/gtest.h>

namespace zephrane::activationpolicy {
namespace {

using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QGuiApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

bool onDesktop() { return QGuiApplication::platformName() == "xcb"; }

TEST(TaskbarActivationPolicy, AnAccessoryAppsWindowIsLeftOutOfTheTaskBarFromItsFirstShow) {
    if (!onDesktop()) GTEST_SKIP() << "runs under scripts/desktop";
    QWindow window;
    window.resize(200, 120);
    TaskbarActivationPolicy policy;
    policy.addWindow(&window);
    policy.setActivationPolicy(Policy::accessory);
    window.show();
    ASSERT_TRUE(waitFor([&] { return window.isExposed(); }));
    EXPECT_TRUE(waitFor([&] { return TaskbarActivationPolicy::skipsTaskbar(window); }));

    policy.setActivationPolicy(Policy::regular);
    EXPECT_TRUE(waitFor([&] { return !TaskbarActivationPolicy::skipsTaskbar(window); }))
        << "the window manager took the change of a shown window";
    policy.setActivationPolicy(Policy::accessory);
    EXPECT_TRUE(waitFor([&] { return TaskbarActivationPolicy::skipsTaskbar(window); }));

    window.hide();
    window.show();
    ASSERT_TRUE(waitFor([&] { return window.isExposed(); }));
    EXPECT_TRUE(waitFor([&] { return TaskbarActivationPolicy::skipsTaskbar(window); }))
        << "shown again, the window is still left out";
}

TEST(TaskbarActivationPolicy, ARegularAppsWindowIsListedAndAClosedWindowIsForgotten) {
    TaskbarActivationPolicy policy;
    {
        QWindow window;
        window.resize(200, 120);
        policy.addWindow(&window);
        window.show();
        if (onDesktop()) {
            ASSERT_TRUE(waitFor([&] { return window.isExposed(); }));
            EXPECT_FALSE(TaskbarActivationPolicy::skipsTaskbar(window));
        }
    }
    policy.setActivationPolicy(Policy::accessory);
    EXPECT_EQ(policy.activationPolicy(), Policy::accessory);
}

}  // namespace
}  // namespace zephrane::activationpolicy

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (std::getenv("DISPLAY") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
