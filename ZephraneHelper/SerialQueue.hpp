// A serial queue: one thread running one io_context. Work posted to it runs
// in order and never overlaps, and delayed work waits on a timer without
// blocking the queue. The daemon's hardware, watchdog and signal queues are
// each one of these.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>

namespace zephrane::helper {

class SerialQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue();  // stops the queue: work not yet run is dropped
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return label_; }

    template <class F>
    void post(F&& work) {
        asio::post(core_->context, std::forward<F>(work));
    }

    // Runs `work` on the queue after `delay`.
    template <class F>
    void postAfter(std::chrono::steady_clock::duration delay, F&& work) {
        auto timer = std::make_shared<asio::steady_timer>(core_->context, delay);
        timer->async_wait([timer, work = std::forward<F>(work)](const std::error_code& error) mutable {
            if (!error) work();
        });
    }

    // True on the queue's own thread.
    bool isCurrent() const { return std::this_thread::get_id() == threadId_; }

    asio::io_context& context() { return core_->context; }

    // Stops the queue and waits for its thread; on the queue's own thread
    // (work that lets go of the queue) the thread goes to the process's
    // ThreadJoiner instead and ends once that work returns.
    void stop();

private:
    // Shared with the thread, so the context outlives its run() even when
    // the queue is stopped from inside it.
    struct Core {
        asio::io_context context{1};
        asio::executor_work_guard<asio::io_context::executor_type> guard{context.get_executor()};
    };

    std::string label_;
    std::shared_ptr<Core> core_;
    std::thread thread_;
    std::thread::id threadId_;
};

}  // namespace zephrane::helper
