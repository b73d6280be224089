// Tells an SMC connection the moment its simulator has hung up, so that it
// stops answering reads from the simulator's key table at once rather than
// when the simulator's lease runs out: a simulator killed without a word
// leaves its table mapped and unchanging, and only its socket tells.
//
// One thread per process sleeps in epoll_wait on every watched socket,
// asking for nothing but hang-ups, so ordinary traffic never wakes it. It
// starts with the first watch and belongs to an object that lives as long
// as the process.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace zephrane::iokit {

class HangUpWatch {
public:
    static HangUpWatch& instance();

    HangUpWatch(const HangUpWatch&) = delete;
    HangUpWatch& operator=(const HangUpWatch&) = delete;

    // Watches the connected socket `fd` until forget(): `hungUp` becomes
    // true once its peer has closed or shut down its end. The socket must
    // stay open until forget() has returned. 0 when it cannot be watched
    // (the flag is then never set).
    std::uint64_t watch(int fd, std::shared_ptr<std::atomic<bool>> hungUp);
    void forget(std::uint64_t watchId);

private:
    HangUpWatch() = default;
    void run();

    struct Watched {
        int fd;
        std::shared_ptr<std::atomic<bool>> hungUp;
    };

    std::mutex mutex_;
    int epoll_ = -1;                                  // guarded by mutex_ until the thread runs
    std::uint64_t nextId_ = 1;                        // guarded by mutex_
    std::unordered_map<std::uint64_t, Watched> watched_;  // guarded by mutex_
    std::thread thread_;                              // started by the first watch()
};

}  // namespace zephrane::iokit
