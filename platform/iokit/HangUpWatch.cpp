#include "platform/iokit/HangUpWatch.hpp"

#include <sys/epoll.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace zephrane::iokit {

HangUpWatch& HangUpWatch::instance() {
    static auto* watch = new HangUpWatch;
    return *watch;
}

std::uint64_t HangUpWatch::watch(int fd, std::shared_ptr<std::atomic<bool>> hungUp) {
    std::lock_guard lock(mutex_);
    if (epoll_ < 0) {
        epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
        if (epoll_ < 0) return 0;
        thread_ = std::thread([this] { run(); });
    }
    const std::uint64_t id = nextId_++;
    // Hang-ups only (EPOLLHUP and EPOLLERR come unasked), once.
    epoll_event event{};
    event.events = EPOLLRDHUP | EPOLLONESHOT;
    event.data.u64 = id;
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0) return 0;
    watched_.emplace(id, Watched{fd, std::move(hungUp)});
    return id;
}

void HangUpWatch::forget(std::uint64_t watchId) {
    if (watchId == 0) return;
    std::lock_guard lock(mutex_);
    const auto it = watched_.find(watchId);
    if (it == watched_.end()) return;
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.fd, nullptr);
    watched_.erase(it);
}

void HangUpWatch::run() {
    int epoll = -1;
    {
        std::lock_guard lock(mutex_);
        epoll = epoll_;
    }
    std::array<epoll_event, 16> events{};
    for (;;) {
        const int count = ::epoll_wait(epoll, events.data(), static_cast<int>(events.size()), -1);
        if (count < 0) {
            if (errno == EINTR) continue;
            return;
        }
        std::lock_guard lock(mutex_);
        for (int i = 0; i < count; ++i) {
            // A socket forgotten meanwhile has no entry any more.
            const auto it = watched_.find(events[static_cast<std::size_t>(i)].data.u64);
            if (it != watched_.end()) it->second.hungUp->store(true, std::memory_order_release);
        }
    }
}

}  // namespace zephrane::iokit
