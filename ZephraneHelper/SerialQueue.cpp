#include "ZephraneHelper/SerialQueue.hpp"

#include <pthread.h>

#include "shared/ThreadJoiner.hpp"

namespace zephrane::helper {

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)), core_(std::make_shared<Core>()) {
    // Thread names are cut to 15 bytes; keep the distinctive tail.
    std::string name = label_.size() > 15 ? label_.substr(label_.size() - 15) : label_;
    thread_ = std::thread([core = core_, name = std::move(name)] {
        pthread_setname_np(pthread_self(), name.c_str());
        core->context.run();
    });
    threadId_ = thread_.get_id();
}

SerialQueue::~SerialQueue() { stop(); }

void SerialQueue::stop() {
    core_->guard.reset();
    core_->context.stop();
    if (!thread_.joinable()) return;
    if (isCurrent())
        ThreadJoiner::instance().adopt(std::move(thread_));
    else
        thread_.join();
}

}  // namespace zephrane::helper
