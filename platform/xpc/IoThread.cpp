#include "platform/xpc/IoThread.hpp"

#include "shared/ThreadJoiner.hpp"

namespace zephrane::xpc {

IoThread::IoThread() : core_(std::make_shared<Core>()) {
    // The thread keeps the core alive, so a thread that outlives this object
    // still owns what it runs.
    thread_ = std::thread([core = core_] {
        for (;;) {
            try {
                core->io.run();
                return;
            } catch (...) {
                // Callbacks catch their own exceptions; if one escapes anyway the
                // queue keeps going rather than ending the process.
            }
        }
    });
}

IoThread::~IoThread() {
    core_->work.reset();
    if (thread_.get_id() == std::this_thread::get_id()) {
        ThreadJoiner::instance().adopt(std::move(thread_));
    } else {
        thread_.join();
    }
}

asio::any_io_executor IoThread::executor() const {
    return core_->io.get_executor();
}

}  // namespace zephrane::xpc
