#include "platform/oslog/OSLog.hpp"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>

#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/dist_sink.h>
#include <spdlog/sinks/stdout_sinks.h>

namespace zephrane::oslog {
namespace {

constexpr const char* kLevelVariable = "ZEPHRANE_LOG_LEVEL";

spdlog::level::level_enum toSpdlog(Level level) {
    switch (level) {
        case Level::debug: return spdlog::level::debug;
        case Level::info: return spdlog::level::info;
        case Level::error: return spdlog::level::err;
        case Level::fault: return spdlog::level::critical;
    }
    return spdlog::level::info;
}

// Everything below is created once and intentionally never destroyed.
struct Registry {
    std::mutex mutex;
    std::map<std::pair<std::string, std::string>, const Logger*, std::less<>> loggers;
    std::vector<CaptureSink*> captures;
    std::shared_ptr<spdlog::sinks::dist_sink_mt> output = std::make_shared<spdlog::sinks::dist_sink_mt>();
    std::shared_ptr<spdlog::sinks::stderr_sink_mt> standardError = std::make_shared<spdlog::sinks::stderr_sink_mt>();

    // A value of the variable that names no level, said once a logger exists.
    std::string unknownLevel;
    std::atomic<bool> unknownLevelUnsaid{false};

    Registry() {
        standardError->set_pattern("%Y-%m-%d %H:%M:%S.%e %^%l%$ [%n] %v");
        Level threshold = Level::info;
        // Empty counts as unset: an activator passing the variable through
        // from an environment without it hands over an empty value.
        if (const char* named = std::getenv(kLevelVariable); named && *named) {
            if (const auto level = levelNamed(named)) {
                threshold = *level;
            } else {
                unknownLevel = named;
                unknownLevelUnsaid = true;
            }
        }
        standardError->set_level(toSpdlog(threshold));
        output->add_sink(standardError);
    }
};

Registry& registry() {
    static Registry* instance = new Registry;
    return *instance;
}

void reportUnknownLevel(Registry& r) {
    if (!r.unknownLevelUnsaid.exchange(false)) return;
    // Appended piece by piece: GCC 12 misreads the bounds of a chain of
    // temporaries here.
    std::string text = kLevelVariable;
    text.append(" \"").append(r.unknownLevel);
    text.append("\" is none of debug, info, error, fault; logging info and above, ignoring it");
    logger("com.zephrane.log", "setup").error(text);
}

}  // namespace

Logger::Logger(std::string subsystem, std::string category)
    : subsystem_(std::move(subsystem)),
      category_(std::move(category)),
      backend_(std::make_shared<spdlog::logger>(subsystem_ + ":" + category_, registry().output)) {
    backend_->set_level(spdlog::level::debug);
    backend_->flush_on(spdlog::level::err);
}

void Logger::log(Level level, std::string_view message) const {
    backend_->log(toSpdlog(level), spdlog::string_view_t(message.data(), message.size()));
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    for (CaptureSink* sink : r.captures) sink->append({subsystem_, category_, level, std::string(message)});
}

const Logger& logger(std::string_view subsystem, std::string_view category) {
    auto& r = registry();
    const Logger* found = nullptr;
    {
        std::lock_guard lock(r.mutex);
        auto key = std::make_pair(std::string(subsystem), std::string(category));
        auto it = r.loggers.find(key);
        if (it == r.loggers.end()) it = r.loggers.emplace(key, new Logger(key.first, key.second)).first;
        found = it->second;
    }
    reportUnknownLevel(r);
    return *found;
}

void setOutput(Output output) {
    auto& r = registry();
    r.output->remove_sink(r.standardError);
    if (output == Output::standardError) r.output->add_sink(r.standardError);
}

void setOutputLevel(Level level) { registry().standardError->set_level(toSpdlog(level)); }

Level outputLevel() {
    switch (registry().standardError->level()) {
        case spdlog::level::trace:
        case spdlog::level::debug: return Level::debug;
        case spdlog::level::info:
        case spdlog::level::warn: return Level::info;
        case spdlog::level::err: return Level::error;
        default: return Level::fault;
    }
}

std::optional<Level> levelNamed(std::string_view name) {
    if (name == "debug") return Level::debug;
    if (name == "info") return Level::info;
    if (name == "error") return Level::error;
    if (name == "fault") return Level::fault;
    return std::nullopt;
}

CaptureSink::CaptureSink() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.captures.push_back(this);
}

CaptureSink::~CaptureSink() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    std::erase(r.captures, this);
}

void CaptureSink::append(LogRecord record) {
    std::lock_guard lock(mutex_);
    records_.push_back(std::move(record));
}

std::vector<LogRecord> CaptureSink::records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<LogRecord> CaptureSink::records(std::string_view subsystem, std::string_view category) const {
    std::lock_guard lock(mutex_);
    std::vector<LogRecord> out;
    for (const auto& r : records_)
        if (r.subsystem == subsystem && r.category == category) out.push_back(r);
    return out;
}

bool CaptureSink::contains(Level level, std::string_view message) const {
    std::lock_guard lock(mutex_);
    return std::any_of(records_.begin(), records_.end(),
                       [&](const LogRecord& r) { return r.level == level && r.message == message; });
}

void CaptureSink::clear() {
    std::lock_guard lock(mutex_);
    records_.clear();
}

}  // namespace zephrane::oslog
