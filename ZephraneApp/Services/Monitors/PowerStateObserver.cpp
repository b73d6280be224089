#include "ZephraneApp/Services/Monitors/PowerStateObserver.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "ZephraneApp/Services/Monitors/ProgramOutput.hpp"
#include "platform/iokit/IORegistryLinux.hpp"
#include "platform/oslog/OSLog.hpp"

namespace zephrane {
namespace {

using Value = nlohmann::json;

constexpr std::string_view kBatteryClass = "AppleSmartBattery";
constexpr std::string_view kRootDomainClass = "IOPMrootDomain";
constexpr int kBackgroundNice = 10;

const oslog::Logger& log() { return oslog::logger("com.zephrane.app", "power"); }

// One per process, shared by every observer. Immortal on purpose: a detached
// probe may still be running while the process exits.
struct BatteryHealthCache {
    std::mutex lock;
    bool started = false;
    std::optional<std::int64_t> healthPercent;
    // Bumped by the test reset, so that a probe from before it cannot store.
    std::uint64_t generation = 0;
    int probesStarted = 0;
    int probesFinished = 0;
};

BatteryHealthCache& healthCache() {
    static auto* cache = new BatteryHealthCache;
    return *cache;
}

const Value* property(std::string_view name, const Value& entry) {
    if (!entry.is_object()) return nullptr;
    auto it = entry.find(name);
    return it == entry.end() ? nullptr : &*it;
}

// Booleans are not numbers here: the registry keeps them apart.
bool isNumber(const Value* value) { return value != nullptr && value->is_number(); }

// A number as a signed 64-bit integer, the way the registry's own numbers
// convert: an unsigned value past the range wraps (the gas gauge's negative
// currents sometimes travel as their unsigned pattern), a fraction truncates
// toward zero and saturates at the range's ends.
std::int64_t asInt64(const Value& value) {
    if (value.is_number_unsigned()) return static_cast<std::int64_t>(value.get<std::uint64_t>());
    if (value.is_number_integer()) return value.get<std::int64_t>();
    const double real = value.get<double>();
    if (std::isnan(real)) return 0;
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (real >= limit) return std::numeric_limits<std::int64_t>::max();
    if (real < -limit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(real);
}

std::optional<std::int64_t> int64Property(std::string_view name, const Value& entry) {
    const Value* value = property(name, entry);
    if (!isNumber(value)) return std::nullopt;
    return asInt64(*value);
}

// A flag given as a Boolean, or as a number that is non-zero.
std::optional<bool> flagProperty(std::string_view name, const Value& entry) {
    const Value* value = property(name, entry);
    if (value == nullptr) return std::nullopt;
    if (value->is_boolean()) return value->get<bool>();
    if (value->is_number()) return value->get<double>() != 0;
    return std::nullopt;
}

std::optional<double> nonNegativeNumber(const Value* value) {
    if (!isNumber(value)) return std::nullopt;
    const double number = value->get<double>();
    if (!(number >= 0)) return std::nullopt;
    return number;
}

double fullChargeCapacity(const Value& battery, const std::optional<Value>& batteryData) {
    if (auto raw = registryNonNegativeNumber("AppleRawMaxCapacity", battery)) return *raw;
    if (!batteryData) return 0;
    for (std::string_view key : {"AppleRawMaxCapacity", "FullChargeCapacity"})
        if (auto capacity = nonNegativeNumber(property(key, *batteryData))) return *capacity;
    if (const Value* nominal = property("NominalChargeCapacity", *batteryData); isNumber(nominal))
        return std::max(nominal->get<double>(), 0.0);
    return 0;
}

std::optional<std::int64_t> levelPercent(const Value& battery) {
    const std::optional<double> current = registryNonNegativeNumber("CurrentCapacity", battery);
    const std::optional<double> maximum = registryNonNegativeNumber("MaxCapacity", battery);
    if (!current || !maximum || !(*maximum > 0)) return std::nullopt;
    // Halves away from zero, as std::round does; the clamp also keeps a huge
    // quotient inside the integer's range.
    const double percent = std::clamp(std::round(*current * 100 / *maximum), 0.0, 100.0);
    return static_cast<std::int64_t>(percent);
}

void store(std::uint64_t generation, const std::optional<BatteryHealthReport>& report) {
    BatteryHealthCache& cache = healthCache();
    std::lock_guard lock(cache.lock);
    if (cache.generation != generation) return;
    if (report) cache.healthPercent = report->percent;
    ++cache.probesFinished;
}

void runProbe(const SystemProfilerOptions& profiler, std::uint64_t generation) {
    std::optional<BatteryHealthReport> report;
    try {
        const ProgramOutput run =
            runProgram(profiler.path, {"SPPowerDataType", "-json", "-detailLevel", "mini"}, {profiler.timeout});
        if (run.outcome == ProgramOutput::Outcome::timedOut)
            log().error("\"" + profiler.path + "\" gave no battery report within " +
                        std::to_string(profiler.timeout.count()) + " ms and was killed, ignoring");
        if (run.succeeded()) report = batteryHealthFromPowerReport(run.output);
    } catch (...) {
        // Out of memory, most likely; the health simply stays unknown.
        report.reset();
    }
    store(generation, report);
}

// The probe's detached task: background priority, and it takes the lock only
// to store its result.
void startProbe(SystemProfilerOptions profiler, std::uint64_t generation) {
    try {
        std::thread([profiler = std::move(profiler), generation] {
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kBackgroundNice);
            runProbe(profiler, generation);
        }).detach();
    } catch (...) {
        // No thread to be had: this launch goes without a health figure.
        store(generation, std::nullopt);
    }
}

std::optional<std::int64_t> cachedHealth(const SystemProfilerOptions& profiler) {
    BatteryHealthCache& cache = healthCache();
    bool launch = false;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(cache.lock);
        launch = !cache.started;
        cache.started = true;
        if (launch) {
            ++cache.probesStarted;
            generation = cache.generation;
        }
    }
    if (launch) startProbe(profiler, generation);
    std::lock_guard lock(cache.lock);
    return cache.healthPercent;
}

}  // namespace

SystemProfilerOptions SystemProfilerOptions::fromEnvironment() {
    SystemProfilerOptions options;
    const char* path = std::getenv(std::string(kPathVariable).c_str());
    options.path = path != nullptr && *path != '\0' ? std::string(path) : std::string(kDefaultPath);
    return options;
}

PowerStateObserver::PowerStateObserver()
    : PowerStateObserver(iokit::IORegistryCreate(), SystemProfilerOptions::fromEnvironment()) {}

PowerStateObserver::PowerStateObserver(std::shared_ptr<iokit::IORegistry> registry, SystemProfilerOptions profiler)
    : registry_(std::move(registry)), profiler_(std::move(profiler)) {}

PowerStateObserver::Reading PowerStateObserver::read() const {
    Reading reading;
    PowerTelemetry& t = reading.telemetry;
    t.source = readPowerSource();
    const Battery battery = readBattery();
    t.systemWatts = battery.systemWatts;
    t.isCharging = battery.isCharging;
    t.isFullyCharged = battery.isFullyCharged;
    t.batteryLevelPercent = battery.batteryLevelPercent;
    t.batteryCycleCount = battery.batteryCycleCount;
    t.batteryHealthPercent = battery.batteryHealthPercent;
    t.hasBattery = battery.hasBattery;
    t.batteryWattHours = battery.batteryWattHours;
    t.isClamshell = false;  // the lid travels in reading.clamshell only
    t.adapterWatts = readAdapterWatts();
    reading.clamshell = readClamshell();
    return reading;
}

PowerSource PowerStateObserver::readPowerSource() const {
    const std::optional<std::string> type = registry_->providingPowerSourceType();
    if (!type) return PowerSource::unknown;
    if (*type == "AC Power") return PowerSource::ac;
    if (*type == "Battery Power") return PowerSource::battery;
    return PowerSource::unknown;
}

PowerStateObserver::Battery PowerStateObserver::readBattery() const {
    const std::vector<iokit::RegistryProperties> services = registry_->matchingServices(kBatteryClass);
    if (services.empty()) return Battery{};  // no battery: and no profiler run
    const Value& battery = services.front();

    const std::optional<Value> batteryData = registryDictionaryProperty("BatteryData", battery);
    const std::int64_t currentMilliamps =
        int64Property("Amperage", battery).value_or(int64Property("InstantAmperage", battery).value_or(0));
    const double voltageMillivolts = registryNonNegativeNumber("Voltage", battery).value_or(0);

    Battery result;
    result.isCharging = flagProperty("IsCharging", battery).value_or(false);
    result.isFullyCharged = flagProperty("FullyCharged", battery).value_or(false);
    const double capacityMah = fullChargeCapacity(battery, batteryData);
    result.batteryHealthPercent = cachedHealth(profiler_);
    result.batteryLevelPercent = levelPercent(battery);
    result.systemWatts = std::abs(voltageMillivolts * static_cast<double>(currentMilliamps)) / 1'000'000;
    result.batteryWattHours = capacityMah * voltageMillivolts / 1'000'000;
    if (const auto cycles = int64Property("CycleCount", battery); cycles && *cycles >= 0)
        result.batteryCycleCount = cycles;
    result.hasBattery = true;
    return result;
}

double PowerStateObserver::readAdapterWatts() const {
    const std::optional<Value> details = registry_->externalPowerAdapterDetails();
    if (!details || !details->is_object()) return 0;
    const Value* watts = property("Watts", *details);
    if (!isNumber(watts)) return 0;
    return std::max(watts->get<double>(), 0.0);
}

bool PowerStateObserver::readClamshell() const {
    std::optional<iokit::RegistryProperties> rootDomain = registry_->entryAtPath(kRootDomainPath);
    if (!rootDomain) {
        std::vector<iokit::RegistryProperties> services = registry_->matchingServices(kRootDomainClass);
        if (services.empty()) return false;
        rootDomain = std::move(services.front());
    }
    return flagProperty("AppleClamshellState", *rootDomain).value_or(false);
}

std::optional<Value> registryDictionaryProperty(std::string_view name, const iokit::RegistryProperties& entry) {
    const Value* value = property(name, entry);
    if (value == nullptr || !value->is_object()) return std::nullopt;
    return *value;
}

std::optional<double> registryNonNegativeNumber(std::string_view name, const iokit::RegistryProperties& entry) {
    return nonNegativeNumber(property(name, entry));
}

std::optional<BatteryHealthReport> batteryHealthFromPowerReport(std::string_view text) {
    const Value report = Value::parse(text.begin(), text.end(), nullptr, false);
    if (report.is_discarded() || !report.is_object()) return std::nullopt;
    const Value* items = property("SPPowerDataType", report);
    if (items == nullptr || !items->is_array() || items->empty()) return std::nullopt;
    if (!std::all_of(items->begin(), items->end(), [](const Value& item) { return item.is_object(); }))
        return std::nullopt;

    for (const Value& item : *items) {
        const Value* name = property("_name", item);
        if (name == nullptr || !name->is_string() || name->get_ref<const std::string&>() != "spbattery_information")
            continue;
        const Value* health = property("sppower_battery_health_info", item);
        if (health == nullptr || !health->is_object()) continue;
        const Value* capacity = property("sppower_battery_health_maximum_capacity", *health);
        if (capacity == nullptr) continue;
        if (capacity->is_string())
            return BatteryHealthReport{batteryHealthPercent(std::string_view(capacity->get_ref<const std::string&>()))};
        if (capacity->is_number()) return BatteryHealthReport{batteryHealthPercent(capacity->get<double>())};
    }
    return std::nullopt;
}

void probeBatteryHealth(const SystemProfilerOptions& profiler) {
    std::uint64_t generation = 0;
    {
        BatteryHealthCache& cache = healthCache();
        std::lock_guard lock(cache.lock);
        generation = cache.generation;
    }
    runProbe(profiler, generation);
}

void BatteryHealthCacheTesting::reset() {
    BatteryHealthCache& cache = healthCache();
    std::lock_guard lock(cache.lock);
    cache.started = false;
    cache.healthPercent.reset();
    ++cache.generation;
    cache.probesStarted = 0;
    cache.probesFinished = 0;
}

int BatteryHealthCacheTesting::probesStarted() {
    BatteryHealthCache& cache = healthCache();
    std::lock_guard lock(cache.lock);
    return cache.probesStarted;
}

int BatteryHealthCacheTesting::probesFinished() {
    BatteryHealthCache& cache = healthCache();
    std::lock_guard lock(cache.lock);
    return cache.probesFinished;
}

}  // namespace zephrane
