#include "shared/ThreadJoiner.hpp"

namespace zephrane {

ThreadJoiner& ThreadJoiner::instance() {
    static auto* joiner = new ThreadJoiner;
    return *joiner;
}

void ThreadJoiner::adopt(std::thread thread) {
    if (!thread.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(thread));
        ++adopted_;
        if (!joiner_.joinable()) joiner_ = std::thread([this] { run(); });
    }
    changed_.notify_all();
}

std::uint64_t ThreadJoiner::joined() const {
    std::lock_guard lock(mutex_);
    return joined_;
}

void ThreadJoiner::waitUntilJoined() const {
    std::unique_lock lock(mutex_);
    const std::uint64_t target = adopted_;
    changed_.wait(lock, [&] { return joined_ >= target; });
}

void ThreadJoiner::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return !waiting_.empty(); });
        std::thread next = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        next.join();
        lock.lock();
        ++joined_;
        changed_.notify_all();
    }
}

}  // namespace zephrane
