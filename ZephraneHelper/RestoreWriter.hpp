// The writes of the restore paths, each given up after a bound: one key that
// hangs must neither keep any other key from being handed back nor keep the
// watchdog from trying again.
//
// A write runs on a thread of its own while the caller waits at most the
// bound for it. One that does not return in time is given up and left to
// finish on its thread (an SMC call cannot be taken back), and the
// connection it hangs on is used no more, as its later exchanges would queue
// behind the stuck one: the caller's connection is replaced by a fresh one.
// A later restore tries a stuck key again (it may answer by then), up to
// kMaxStuckPerKey writes of it left hanging; past that it fails at once, so
// a key that never answers holds a few threads and connections however often
// the restore is retried.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "smc/SMCKernelBridge.hpp"

namespace zephrane::helper {

class RestoreWriter {
public:
    static constexpr std::size_t kMaxStuckPerKey = 3;

    // A fresh SMC connection; null, or an exception, when none can be had.
    using Opener = std::function<std::shared_ptr<SMCKernelBridge>()>;

    RestoreWriter(Opener open, std::chrono::steady_clock::duration bound);
    // Waits for the stuck writes: destroy it only once nothing hangs any more.
    ~RestoreWriter();
    RestoreWriter(const RestoreWriter&) = delete;
    RestoreWriter& operator=(const RestoreWriter&) = delete;

    struct Outcome {
        std::optional<std::string> error;  // none when written
        bool keyMissing = false;           // the SMC has no such key
        bool gaveUp = false;               // the write hung, or too many of the key's still do
    };

    // Writes `value` to `key` through `connection`. When the write hangs,
    // `connection` is replaced by a fresh one (null when none could be
    // opened; the next write then opens one). Any thread.
    Outcome write(std::shared_ptr<SMCKernelBridge>& connection, const std::string& key, double value);

private:
    struct Attempt {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        Outcome outcome;
    };
    struct Stuck {
        std::shared_ptr<Attempt> attempt;
        std::thread thread;
    };

    void reapFinished();  // stuckLock_ held

    Opener open_;
    std::chrono::steady_clock::duration bound_;
    std::mutex stuckLock_;
    std::multimap<std::string, Stuck> stuck_;  // by key; guarded by stuckLock_
};

}  // namespace zephrane::helper
