// Several parties race to finish one daemon call: its reply, the proxy's
// error handler and the time-out. The guard lets exactly one of them resume
// the waiting caller; the others find it claimed and do nothing. Safe from
// any thread (replies arrive on the connection's thread, the time-out on the
// actor's).
#pragma once

#include <exception>
#include <memory>
#include <mutex>
#include <utility>

#include <QFuture>
#include <QPromise>

namespace zephrane {

// A started time-out that can be called off.
class CancellableTimer {
public:
    virtual ~CancellableTimer() = default;
    // Idempotent; after it returns the timer's action will not start.
    virtual void cancel() = 0;
};

template <typename T>
class ContinuationGuard {
public:
    ContinuationGuard() { promise_.start(); }

    // What the waiting caller awaits.
    QFuture<T> future() { return promise_.future(); }

    // Whether this caller won the race: true exactly once, and the winner
    // owns the continuation and must resume it. The first claim also calls
    // off the time-out.
    bool tryClaim() {
        std::shared_ptr<CancellableTimer> timeout;
        bool won = false;
        {
            std::lock_guard lock(mutex_);
            won = !resumed_;
            resumed_ = true;
            timeout = std::move(timeout_);
        }
        if (timeout) timeout->cancel();
        return won;
    }

    // A time-out that fired before it could be installed (a zero time-out)
    // has already claimed the guard; it is then cancelled at once.
    void installTimeout(std::shared_ptr<CancellableTimer> timeout) {
        {
            std::lock_guard lock(mutex_);
            if (!resumed_) {
                timeout_ = std::move(timeout);
                return;
            }
        }
        timeout->cancel();
    }

    // Only the owner of a claim calls these, once.
    template <typename U = T>
        requires(!std::is_void_v<U>)
    void resume(U value) {
        promise_.addResult(std::move(value));
        promise_.finish();
    }
    void resume()
        requires std::is_void_v<T>
    {
        promise_.finish();
    }
    void resumeThrowing(std::exception_ptr error) {
        promise_.setException(std::move(error));
        promise_.finish();
    }

private:
    std::mutex mutex_;
    bool resumed_ = false;
    std::shared_ptr<CancellableTimer> timeout_;
    QPromise<T> promise_;
};

}  // namespace zephrane
