#include "shared/ThreadJoiner.hpp"

#include <atomic>
#include <future>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

using namespace std::chrono_literals;

// A thread handed over from itself and one handed over from another thread
// are both joined, and only once each has ended.
TEST(ThreadJoinerTest, JoinsThreadsHandedOverFromThemselvesOrFromOthersOnceTheyEnd) {
    ThreadJoiner& joiner = ThreadJoiner::instance();
    const std::uint64_t before = joiner.joined();

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::thread held([released] { released.wait(); });
    joiner.adopt(std::move(held));

    auto own = std::make_shared<std::thread>();
    std::promise<void> handedOver;
    std::atomic<bool> ran{false};
    std::mutex started;
    {
        std::lock_guard lock(started);
        *own = std::thread([own, &handedOver, &ran, &started, released] {
            { std::lock_guard wait(started); }
            // The thread lets go of itself, as an object released by its
            // last callback does.
            ThreadJoiner::instance().adopt(std::move(*own));
            handedOver.set_value();
            released.wait();
            ran = true;
        });
    }
    handedOver.get_future().wait();
    EXPECT_EQ(joiner.joined(), before) << "neither thread has ended";

    release.set_value();
    joiner.waitUntilJoined();
    EXPECT_GE(joiner.joined(), before + 2);
    EXPECT_TRUE(ran.load());
}

TEST(ThreadJoinerTest, LeavesAThreadThatIsNotJoinableAlone) {
    ThreadJoiner& joiner = ThreadJoiner::instance();
    joiner.waitUntilJoined();
    const std::uint64_t before = joiner.joined();
    joiner.adopt(std::thread());
    joiner.waitUntilJoined();
    EXPECT_EQ(joiner.joined(), before);
}

}  // namespace
}  // namespace zephrane
