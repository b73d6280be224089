#include "platform/oslog/OSLog.hpp"

#include <algorithm>
#include <map>

#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/dist_sink.h>
#include <spdlog/sinks/stdout_sinks.h>

namespace zephrane::oslog {
namespace {

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

    Registry() {
        standardError->set_pattern("%Y-%m-%d %H:%M:%S.%e %^%l%$ [%n] %v");
        output->add_sink(standardError);
    }
};

Registry& registry() {
    static Registry* instance = new Registry;
    return *instance;
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
    std::lock_guard lock(r.mutex);
    auto key = std::make_pair(std::string(subsystem), std::string(category));
    auto it = r.loggers.find(key);
    if (it == r.loggers.end()) it = r.loggers.emplace(key, new Logger(key.first, key.second)).first;
    return *it->second;
}

void setOutput(Output output) {
    auto& r = registry();
    r.output->remove_sink(r.standardError);
    if (output == Output::standardError) r.output->add_sink(r.standardError);
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
