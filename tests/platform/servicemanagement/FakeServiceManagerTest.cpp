#include "platform/servicemanagement/FakeServiceManager.hpp"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace zephrane::servicemanagement {
namespace {

TEST(FakeServiceManagerTest, UnscriptedItBehavesLikeASmallServiceManager) {
    FakeServiceManager fake;
    EXPECT_EQ(fake.daemonService("a.plist")->status(), Status::notRegistered);
    EXPECT_EQ(fake.daemonService("a.plist")->registerService(), std::nullopt);
    EXPECT_EQ(fake.daemonService("a.plist")->status(), Status::requiresApproval);
    fake.setApproved(true);
    EXPECT_EQ(fake.daemonService("a.plist")->status(), Status::enabled);
    fake.setCompletion(FakeServiceManager::Completion::callerThread);
    int completions = 0;
    fake.daemonService("a.plist")->unregisterService([&](std::optional<Error> error) {
        EXPECT_EQ(error, std::nullopt);
        ++completions;
    });
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(fake.currentStatus(), Status::notRegistered);
    EXPECT_EQ(fake.daemonServiceCalls(), 5);
    EXPECT_EQ(fake.statusCalls(), 3);
    EXPECT_EQ(fake.registerCalls(), 1);
    EXPECT_EQ(fake.unregisterCalls(), 1);
}

TEST(FakeServiceManagerTest, ScriptedStepsAndCompletionThreads) {
    FakeServiceManager fake;
    const Error failure{"SMAppServiceErrorDomain", 1, "Operation not permitted"};
    fake.scriptRegister({failure, Status::requiresApproval});
    EXPECT_EQ(fake.daemonService("a.plist")->registerService(), failure);
    EXPECT_EQ(fake.currentStatus(), Status::requiresApproval);

    fake.scriptUnregister({failure, std::nullopt});
    std::promise<std::pair<std::optional<Error>, std::thread::id>> done;
    fake.daemonService("a.plist")->unregisterService(
        [&](std::optional<Error> error) { done.set_value({error, std::this_thread::get_id()}); });
    auto [error, thread] = done.get_future().get();
    EXPECT_EQ(error, failure);
    EXPECT_NE(thread, std::this_thread::get_id());
    EXPECT_EQ(fake.currentStatus(), Status::requiresApproval);

    fake.setCompletion(FakeServiceManager::Completion::manual);
    int completions = 0;
    fake.daemonService("a.plist")->unregisterService([&](std::optional<Error>) { ++completions; });
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(fake.completePendingUnregisters(), 1);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(fake.completePendingUnregisters(), 0);
    EXPECT_EQ(fake.completedUnregisters(), 2);
}

}  // namespace
}  // namespace zephrane::servicemanagement
