// The framed socket under a peer that reads slowly, never, or leaves.
#include "platform/xpc/Channel.hpp"

#include <atomic>

#include <gtest/gtest.h>

#include "XPCTestSupport.hpp"
#include "shared/JsonCoding.hpp"

namespace zephrane::xpc::test {
namespace {

// A channel on one end of a socket pair; the test holds the other end raw.
struct ChannelPair {
    explicit ChannelPair(Channel::Backpressure backpressure = Channel::Backpressure::holdRequests) {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        Channel::Socket socket(asio::make_strand(thread.executor()));
        socket.assign(asio::local::stream_protocol(), fds[0]);
        channel = std::make_shared<Channel>(std::move(socket), backpressure);
        peer = fds[1];
    }
    ~ChannelPair() {
        channel->close();
        drain(thread.executor());
        if (peer >= 0) ::close(peer);
    }
    ChannelPair(const ChannelPair&) = delete;
    ChannelPair& operator=(const ChannelPair&) = delete;

    IoThread thread;  // first: destroyed last
    std::shared_ptr<Channel> channel;
    int peer = -1;
};

std::string answerFrame(std::uint64_t id) {
    return *wire::encodeFrame(wire::makeReply(id, {Value(std::string(60000, 'a'))}));
}

TEST(Channel, StopsReadingAPeerThatDoesNotReadItsAnswersUntilItDoes) {
    ChannelPair pair;
    std::atomic<int> handled{0};
    auto* channel = pair.channel.get();
    pair.channel->start(
        [&handled, channel](Json message) {
            channel->write(answerFrame(message["id"].get<std::uint64_t>()));
            ++handled;
        },
        [](Channel::Loss) {});
    constexpr int kRequests = 50;
    std::string requests;
    for (std::uint64_t id = 1; id <= kRequests; ++id) requests += *wire::encodeFrame(wire::makeRequest(id, "ask", {}));
    ASSERT_EQ(::send(pair.peer, requests.data(), requests.size(), MSG_NOSIGNAL), static_cast<ssize_t>(requests.size()));

    // Every request arrived in one read: without the pause all would be answered.
    ASSERT_TRUE(eventually([&] { return handled > 0; }));
    drain(pair.thread.executor());
    EXPECT_LT(handled, kRequests);

    // Reading the answers lets the rest through, each answered once and in order.
    std::vector<std::uint8_t> inbox;
    std::uint64_t expected = 1;
    while (expected <= kRequests) {
        pollfd readable{pair.peer, POLLIN, 0};
        ASSERT_GT(::poll(&readable, 1, static_cast<int>(std::chrono::milliseconds(kDeadline).count())), 0);
        std::array<std::uint8_t, 65536> buffer{};
        const ssize_t n = ::recv(pair.peer, buffer.data(), buffer.size(), 0);
        ASSERT_GT(n, 0);
        inbox.insert(inbox.end(), buffer.begin(), buffer.begin() + n);
        for (;;) {
            if (inbox.size() < wire::kHeaderSize) break;
            std::array<std::uint8_t, wire::kHeaderSize> header{};
            std::memcpy(header.data(), inbox.data(), header.size());
            const std::size_t length = wire::readLength(header);
            if (inbox.size() < wire::kHeaderSize + length) break;
            auto message = wire::decodePayload(std::span(inbox).subspan(wire::kHeaderSize, length));
            ASSERT_TRUE(message);
            EXPECT_EQ((*message)["id"].get<std::uint64_t>(), expected++);
            inbox.erase(inbox.begin(), inbox.begin() + static_cast<std::ptrdiff_t>(wire::kHeaderSize + length));
        }
    }
    EXPECT_EQ(handled, kRequests);
}

TEST(Channel, TheAskingEndNeverHoldsBack) {
    ChannelPair pair(Channel::Backpressure::none);
    std::atomic<int> handled{0};
    auto* channel = pair.channel.get();
    pair.channel->start(
        [&handled, channel](Json message) {
            channel->write(answerFrame(message["id"].get<std::uint64_t>()));
            ++handled;
        },
        [](Channel::Loss) {});
    std::string requests;
    for (std::uint64_t id = 1; id <= 20; ++id) requests += *wire::encodeFrame(wire::makeRequest(id, "ask", {}));
    ASSERT_EQ(::send(pair.peer, requests.data(), requests.size(), MSG_NOSIGNAL), static_cast<ssize_t>(requests.size()));
    EXPECT_TRUE(eventually([&] { return handled == 20; }));
}

TEST(Channel, ABlockingWriteGivesUpOnAPeerThatNeverReads) {
    ChannelPair pair;
    std::atomic<int> losses{0};
    pair.channel->start([](Json) {}, [&](Channel::Loss loss) {
        EXPECT_EQ(loss, Channel::Loss::peerClosed);
        ++losses;
    });
    int written = 0;
    while (pair.channel->writeBlocking(answerFrame(1), std::chrono::milliseconds(50))) {
        ASSERT_LT(++written, 1000) << "the socket never filled";
    }
    ASSERT_TRUE(eventually([&] { return losses == 1; }));
    EXPECT_FALSE(pair.channel->write(answerFrame(2)));  // half a frame may be out: the channel is done
    drain(pair.thread.executor());
    EXPECT_EQ(losses, 1);
}

TEST(Channel, ReportsAPeerThatLeftOnceAndNeverItsOwnClose) {
    ChannelPair left;
    ChannelPair closed;
    std::atomic<int> leftLosses{0};
    std::atomic<int> closedLosses{0};
    left.channel->start([](Json) {}, [&](Channel::Loss) { ++leftLosses; });
    closed.channel->start([](Json) {}, [&](Channel::Loss) { ++closedLosses; });

    ::close(std::exchange(left.peer, -1));
    closed.channel->close();
    ::close(std::exchange(closed.peer, -1));
    ASSERT_TRUE(eventually([&] { return leftLosses == 1; }));
    EXPECT_FALSE(left.channel->write(answerFrame(1)));
    drain(left.thread.executor());
    drain(closed.thread.executor());
    EXPECT_EQ(leftLosses, 1);
    EXPECT_EQ(closedLosses, 0);
}

}  // namespace
}  // namespace zephrane::xpc::test
