// The system's log: one logger per subsystem and category (for example
// "com.zephrane.smc" / "discovery"), three levels that matter (default,
// error, fault) plus debug, written to stderr, where journald picks it up
// when we run as a service. Messages are the system's own texts and stay
// verbatim; tests read them back through a CaptureSink.
//
// Debug lines (a client connecting, a fallback taken) are for whoever
// debugs: stderr shows info and above unless the environment variable
// ZEPHRANE_LOG_LEVEL names another threshold (debug, info, error, fault),
// read when the process first logs. Capture sinks see every level.
//
// Loggers and sinks live for the whole process and are never destroyed, so
// a thread still logging while the process exits never touches a dead
// object.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spdlog {
class logger;
}

namespace zephrane::oslog {

enum class Level { debug, info, error, fault };  // info is the platform's "default" level

class Logger {
public:
    void log(Level level, std::string_view message) const;
    void debug(std::string_view message) const { log(Level::debug, message); }
    void info(std::string_view message) const { log(Level::info, message); }
    void error(std::string_view message) const { log(Level::error, message); }
    void fault(std::string_view message) const { log(Level::fault, message); }

    const std::string& subsystem() const { return subsystem_; }
    const std::string& category() const { return category_; }

private:
    friend const Logger& logger(std::string_view, std::string_view);
    Logger(std::string subsystem, std::string category);

    std::string subsystem_;
    std::string category_;
    std::shared_ptr<spdlog::logger> backend_;
};

// The one logger for this subsystem and category, made on first use.
const Logger& logger(std::string_view subsystem, std::string_view category);

struct LogRecord {
    std::string subsystem;
    std::string category;
    Level level;
    std::string message;

    friend bool operator==(const LogRecord&, const LogRecord&) = default;
};

// Records every line logged while it exists (tests).
class CaptureSink {
public:
    CaptureSink();
    ~CaptureSink();
    CaptureSink(const CaptureSink&) = delete;
    CaptureSink& operator=(const CaptureSink&) = delete;

    std::vector<LogRecord> records() const;
    // Lines of one subsystem and category, in order.
    std::vector<LogRecord> records(std::string_view subsystem, std::string_view category) const;
    bool contains(Level level, std::string_view message) const;
    void clear();

    void append(LogRecord record);  // called by the log

private:
    mutable std::mutex mutex_;
    std::vector<LogRecord> records_;
};

// Where lines go besides capture sinks; stderr by default.
enum class Output { standardError, none };
void setOutput(Output output);

// The lowest level written to stderr; from ZEPHRANE_LOG_LEVEL, else info.
void setOutputLevel(Level level);
Level outputLevel();
// A level's name as ZEPHRANE_LOG_LEVEL spells it; absent for any other text.
std::optional<Level> levelNamed(std::string_view name);

}  // namespace zephrane::oslog
