// The owner of last resort for a thread whose owner lets go of it on that
// thread itself: an object destroyed from inside its own queue cannot join
// the thread it is running on, and a detached thread belongs to nobody, so
// nobody knows when it has stopped touching what it shared. Handed over
// here, the thread finishes what it was doing and is joined, from the
// joiner's own thread, as soon as it ends.
//
// One per process, created on first use and never destroyed: a thread
// handed over while the process exits is never waited for by a static
// destructor. Its own thread starts with the first hand-over and sleeps
// whenever nothing is left to join.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace zephrane {

class ThreadJoiner {
public:
    static ThreadJoiner& instance();

    ThreadJoiner(const ThreadJoiner&) = delete;
    ThreadJoiner& operator=(const ThreadJoiner&) = delete;

    // Joins `thread` once it has ended; one that is not joinable is left
    // alone. Safe from any thread, the handed one included.
    void adopt(std::thread thread);

    // Threads handed over so far that have been joined.
    std::uint64_t joined() const;
    // Blocks until every thread handed over before the call has been
    // joined (for tests).
    void waitUntilJoined() const;

private:
    ThreadJoiner() = default;
    void run();

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<std::thread> waiting_;  // guarded by mutex_
    std::uint64_t adopted_ = 0;        // guarded by mutex_
    std::uint64_t joined_ = 0;         // guarded by mutex_
    std::thread joiner_;               // started by the first adopt()
};

}  // namespace zephrane
