// A serial queue: one io_context run by one thread of its own, for the code
// that has no event loop to lend (the app's end of a connection).
#pragma once

#include <memory>
#include <thread>

#include <asio.hpp>

namespace zephrane::xpc {

class IoThread {
public:
    IoThread();
    // Runs what is already queued (every callback still owed), then joins.
    // Destroyed from its own thread, which cannot join itself, it hands the
    // thread to the process's ThreadJoiner: the thread finishes the queue
    // and is joined there.
    ~IoThread();
    IoThread(const IoThread&) = delete;
    IoThread& operator=(const IoThread&) = delete;

    asio::any_io_executor executor() const;
    std::thread::id threadId() const { return thread_.get_id(); }

private:
    struct Core {
        asio::io_context io{1};
        asio::executor_work_guard<asio::io_context::executor_type> work{io.get_executor()};
    };
    std::shared_ptr<Core> core_;
    std::thread thread_;
};

}  // namespace zephrane::xpc
