// Bookkeeping shared by the engine's source files: its logger, the count of
// engine coroutines still running, and the await of a service call whose
// failure the engine logs and goes on without.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include <qcoro/qcorotask.h>

#include "platform/oslog/OSLog.hpp"

namespace zephrane::engine {

inline const oslog::Logger& engineLog() { return oslog::logger("com.zephrane.app", "engine"); }

// Counts one running engine coroutine for as long as it lives in the
// coroutine's frame. Touches nothing of the engine, so it is safe to destroy
// after the engine is gone.
class TaskInFlight {
public:
    TaskInFlight();
    ~TaskInFlight();
    TaskInFlight(const TaskInFlight&) = delete;
    TaskInFlight& operator=(const TaskInFlight&) = delete;

    static int count();
};

// Awaits `task`. A failure (a service whose thread has stopped, for one) is
// logged after `what`, a literal, and comes back as none. Touches nothing
// of the engine, so the caller checks the engine is still there afterwards.
template <class T>
QCoro::Task<std::optional<T>> attempt(QCoro::Task<T> task, const char* what) {
    try {
        T value = co_await task;
        co_return std::optional<T>(std::move(value));
    } catch (const std::exception& e) {
        engineLog().error(std::string(what) + e.what());
    }
    co_return std::optional<T>();
}

// The same for a call without a result: true when it ran.
inline QCoro::Task<bool> attempt(QCoro::Task<void> task, const char* what) {
    try {
        co_await task;
        co_return true;
    } catch (const std::exception& e) {
        engineLog().error(std::string(what) + e.what());
    }
    co_return false;
}

}  // namespace zephrane::engine
