#include "ZephraneApp/Services/Monitors/PowerStateObserver.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "ZephraneApp/Services/Monitors/ProgramOutput.hpp"
#include "platform/oslog/OSLog.hpp"

namespace zephrane {
namespace {

using Value = nlohmann::json;

constexpr std::string_view kBatteryClass = "AppleSmartBattery";
constexpr std::string_view kRootDomainClass = "IOPMrootDomain";

const oslog::Logger& log() { return oslog::logger("com.zephrane.app", "power"); }

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

}  // namespace

SystemProfilerOptions SystemProfilerOptions::fromEnvironment() {
    SystemProfilerOptions options;
    const char* path = std::getenv(std::string(kPathVariable).c_str());
    options.path = path != nullptr && *path != '\0' ? std::string(path) : std::string(kDefaultPath);
    return options;
}

PowerStateObserver::PowerStateObserver(std::shared_ptr<iokit::IORegistry> registry, SystemProfilerOptions profiler)
    : core_(std::move(registry)),
      profiler_(std::move(profiler)),
      actor_(QStringLiteral("PowerStateObserver")),
      probe_(QStringLiteral("BatteryHealthProbe"), Actor::Priority::background) {}

PowerStateObserver::~PowerStateObserver() {
    // The probe first: its profiler is killed, and what it then hands the
    // reading actor still finds it running.
    stopProbe_.request_stop();
    probe_.stop();
    actor_.stop();
}

QCoro::Task<PowerStateObserver::Reading> PowerStateObserver::read() {
    return actor_.call([this] {
        Reading reading = core_.read();
        if (core_.takeHealthProbeRequest()) startHealthProbe();
        return reading;
    });
}

// On the reading actor. The probe reaches the core only through that actor.
void PowerStateObserver::startHealthProbe() {
    ++probesStarted_;
    probe_.post([this, stop = stopProbe_.get_token()] {
        const std::optional<BatteryHealthReport> report = probeBatteryHealth(profiler_, stop);
        actor_.post([this, report] {
            if (report) core_.storeBatteryHealth(report->percent);
            ++probesFinished_;
        });
    });
}

PowerStateObserver::Core::Core(std::shared_ptr<iokit::IORegistry> registry) : registry_(std::move(registry)) {}

PowerStateObserver::Reading PowerStateObserver::Core::read() {
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

bool PowerStateObserver::Core::takeHealthProbeRequest() {
    if (!batterySeen_ || probeRequested_) return false;
    probeRequested_ = true;
    return true;
}

void PowerStateObserver::Core::storeBatteryHealth(std::optional<std::int64_t> percent) {
    healthPercent_ = percent;
}

PowerSource PowerStateObserver::Core::readPowerSource() const {
    const std::optional<std::string> type = registry_->providingPowerSourceType();
    if (!type) return PowerSource::unknown;
    if (*type == "AC Power") return PowerSource::ac;
    if (*type == "Battery Power") return PowerSource::battery;
    return PowerSource::unknown;
}

PowerStateObserver::Battery PowerStateObserver::Core::readBattery() {
    const std::vector<iokit::RegistryProperties> services = registry_->matchingServices(kBatteryClass);
    if (services.empty()) return Battery{};  // no battery: and no profiler run
    batterySeen_ = true;
    const Value& battery = services.front();

    const std::optional<Value> batteryData = registryDictionaryProperty("BatteryData", battery);
    const std::int64_t currentMilliamps =
        int64Property("Amperage", battery).value_or(int64Property("InstantAmperage", battery).value_or(0));
    const double voltageMillivolts = registryNonNegativeNumber("Voltage", battery).value_or(0);

    Battery result;
    result.isCharging = flagProperty("IsCharging", battery).value_or(false);
    result.isFullyCharged = flagProperty("FullyCharged", battery).value_or(false);
    const double capacityMah = fullChargeCapacity(battery, batteryData);
    result.batteryHealthPercent = healthPercent_;
    result.batteryLevelPercent = levelPercent(battery);
    result.systemWatts = std::abs(voltageMillivolts * static_cast<double>(currentMilliamps)) / 1'000'000;
    result.batteryWattHours = capacityMah * voltageMillivolts / 1'000'000;
    if (const auto cycles = int64Property("CycleCount", battery); cycles && *cycles >= 0)
        result.batteryCycleCount = cycles;
    result.hasBattery = true;
    return result;
}

double PowerStateObserver::Core::readAdapterWatts() const {
    const std::optional<Value> details = registry_->externalPowerAdapterDetails();
    if (!details || !details->is_object()) return 0;
    const Value* watts = property("Watts", *details);
    if (!isNumber(watts)) return 0;
    return std::max(watts->get<double>(), 0.0);
}

bool PowerStateObserver::Core::readClamshell() const {
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

std::optional<BatteryHealthReport> probeBatteryHealth(const SystemProfilerOptions& profiler, std::stop_token stop) {
    try {
        const ProgramOutput run = runProgram(profiler.path, {"SPPowerDataType", "-json", "-detailLevel", "mini"},
                                             {profiler.timeout}, std::move(stop));
        if (run.outcome == ProgramOutput::Outcome::timedOut)
            log().error("\"" + profiler.path + "\" gave no battery report within " +
                        std::to_string(profiler.timeout.count()) + " ms and was killed, ignoring");
        if (run.succeeded()) return batteryHealthFromPowerReport(run.output);
    } catch (...) {
        // Out of memory, most likely; the health simply stays unknown.
    }
    return std::nullopt;
}

}  // namespace zephrane
