#include "ZephraneHelper/SerialQueue.hpp"

#include <future>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "shared/ThreadJoiner.hpp"

namespace zephrane::helper {
namespace {

using namespace std::chrono_literals;

TEST(SerialQueueTest, RunsWorkInOrderAndDelayedWorkAfterItsDelay) {
    SerialQueue queue("com.zephrane.test.serial");
    std::vector<int> order;
    std::promise<void> done;
    queue.postAfter(20ms, [&] {
        order.push_back(3);
        done.set_value();
    });
    queue.post([&] { order.push_back(1); });
    queue.post([&] {
        EXPECT_TRUE(queue.isCurrent());
        order.push_back(2);
    });
    ASSERT_EQ(done.get_future().wait_for(20s), std::future_status::ready);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(queue.isCurrent());
}

// Work that lets go of its own queue: the queue cannot join the thread it
// runs on, and its context must outlive the run that is still on that
// thread's stack. The thread ends once the work returns and is joined.
TEST(SerialQueueTest, AQueueReleasedByItsOwnWorkEndsAndItsThreadIsJoined) {
    ThreadJoiner& joiner = ThreadJoiner::instance();
    joiner.waitUntilJoined();
    const std::uint64_t before = joiner.joined();

    auto queue = std::make_shared<SerialQueue>("com.zephrane.test.self");
    std::promise<void> released;
    std::weak_ptr<SerialQueue> watched = queue;
    auto* raw = queue.get();
    raw->post([held = std::move(queue), &released]() mutable {
        held.reset();  // the last reference
        released.set_value();
    });
    raw = nullptr;
    ASSERT_EQ(released.get_future().wait_for(20s), std::future_status::ready);
    EXPECT_TRUE(watched.expired());
    joiner.waitUntilJoined();
    EXPECT_EQ(joiner.joined(), before + 1);
}

}  // namespace
}  // namespace zephrane::helper
