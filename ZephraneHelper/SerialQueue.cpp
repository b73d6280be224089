#include "ZephraneHelper/SerialQueue.hpp"

#include <pthread.h>

namespace zephrane::helper {

SerialQueue::SerialQueue(std::string label)
    : label_(std::move(label)), guard_(asio::make_work_guard(context_)), thread_([this] {
          // Thread names are cut to 15 bytes; keep the distinctive tail.
          std::string name = label_.size() > 15 ? label_.substr(label_.size() - 15) : label_;
          pthread_setname_np(pthread_self(), name.c_str());
          context_.run();
      }) {}

SerialQueue::~SerialQueue() { stop(); }

void SerialQueue::stop() {
    guard_.reset();
    context_.stop();
    if (thread_.joinable() && !isCurrent()) thread_.join();
    if (thread_.joinable() && isCurrent()) thread_.detach();
}

}  // namespace zephrane::helper
