// Bookkeeping shared by the engine's source files: its logger and the count
// of engine coroutines still running.
#pragma once

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

}  // namespace zephrane::engine
