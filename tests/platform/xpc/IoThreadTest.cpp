#include "platform/xpc/IoThread.hpp"

#include <future>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "shared/ThreadJoiner.hpp"

namespace zephrane::xpc {
namespace {

using namespace std::chrono_literals;

TEST(IoThreadTest, ReleasedFromAnotherThreadItRunsWhatIsQueuedThenJoins) {
    std::vector<int> ran;
    std::promise<void> holding;
    std::promise<void> release;
    {
        IoThread thread;
        asio::post(thread.executor(), [&] {
            holding.set_value();
            release.get_future().wait();
            ran.push_back(1);
        });
        holding.get_future().wait();
        asio::post(thread.executor(), [&] { ran.push_back(2); });
        release.set_value();
    }
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

// The last reference held by one of its own callbacks: the thread cannot
// join itself, so it finishes the queue and is joined by the process's
// joiner, never left detached.
TEST(IoThreadTest, ReleasedByItsOwnCallbackItFinishesTheQueueAndIsJoined) {
    ThreadJoiner& joiner = ThreadJoiner::instance();
    joiner.waitUntilJoined();
    const std::uint64_t before = joiner.joined();

    auto thread = std::make_shared<IoThread>();
    const auto executor = thread->executor();
    std::promise<void> owed;
    std::promise<void> holding;
    std::promise<void> release;
    asio::post(executor, [&holding, released = release.get_future().share()] {
        holding.set_value();
        released.wait();
    });
    holding.get_future().wait();
    asio::post(executor, [held = std::move(thread)]() mutable { held.reset(); });
    asio::post(executor, [&owed] { owed.set_value(); });
    release.set_value();

    EXPECT_EQ(owed.get_future().wait_for(20s), std::future_status::ready) << "what was queued after it still ran";
    joiner.waitUntilJoined();
    EXPECT_EQ(joiner.joined(), before + 1);
}

}  // namespace
}  // namespace zephrane::xpc
