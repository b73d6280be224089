#include "ZephraneApp/Services/Monitors/SensorPoller.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <exception>
#include <iterator>
#include <utility>

#include "platform/host/ContinuousClock.hpp"

namespace zephrane {
namespace {

// The two power keys the engine takes the system's draw from; they stay as
// fresh as the temperatures while the window is hidden.
constexpr std::string_view kLiveRefreshKeys[] = {"PSTR", "PDTR"};

constexpr std::string_view kDiePrefix = "PMU tdie";

// An optional sign and ASCII digits only, within the 64-bit range.
std::optional<std::int64_t> decimalInteger(std::string_view text) {
    std::string_view digits = text;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '+' || negative)) digits.remove_prefix(1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    // from_chars takes a minus but not a plus; handing it the minus lets the
    // lowest 64-bit value read, which has no positive counterpart.
    const std::string_view number = negative ? text : digits;
    std::int64_t value = 0;
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(number.data(), end, value);
    if (error != std::errc{} || stop != end) return std::nullopt;
    return value;
}

// A pair worth keeping: a real range, not the zeros a failed read gives (the
// codec already turns a non-finite float into a failed read).
bool plausibleBounds(const FanStatus& fan) { return fan.maxRPM > 0 && fan.minRPM < fan.maxRPM; }

}  // namespace

std::chrono::nanoseconds SensorPoller::continuousNow() {
    return host::ContinuousClock::now().time_since_epoch();
}

std::unique_ptr<HIDSensorSource> SensorPoller::systemHIDSource() { return std::make_unique<HIDSensorSource>(); }

std::string SensorPoller::hidDisplayName(std::string_view productName) {
    if (productName.starts_with(kDiePrefix)) {
        if (const auto index = decimalInteger(productName.substr(kDiePrefix.size())))
            return "Die Sensor " + std::to_string(*index);
    }
    if (productName == "NAND CH0 temp") return "SSD (NAND)";
    if (productName == "gas gauge battery") return "Battery (Gas Gauge)";
    return std::string(productName);
}

SensorPoller::Core::Core(std::shared_ptr<SMCKernelBridge> bridge, HIDSourceFactory makeHIDSource, Clock clock)
    : bridge_(std::move(bridge)), makeHIDSource_(std::move(makeHIDSource)), clock_(std::move(clock)) {
    if (bridge_) {
        discovery_.emplace(bridge_);
        fanReader_.emplace(bridge_);
    }
    if (!clock_) clock_ = continuousNow;
}

void SensorPoller::Core::setRegistryConsumersVisible(bool visible) {
    if (visible == registryConsumersVisible_) return;
    registryConsumersVisible_ = visible;
    if (visible) hasRegistryRefresh_ = false;
}

void SensorPoller::Core::discoverIfNeeded() {
    if (!discovery_ || hasDiscovered_) return;
    hasDiscovered_ = true;
    discovered_ = discovery_->discoverAll();
}

SensorPoller::Result SensorPoller::Core::poll() {
    if (!discovery_ || !fanReader_) return {};
    // A lost connection reads nothing ever again; the sensors it read last
    // would otherwise stand for ever. Nothing tells the engine to open anew.
    if (bridge_->connectionLost()) return {};
    discoverIfNeeded();

    const std::chrono::nanoseconds now = clock_();
    const bool due = !hasSensorRefresh_ || now - lastSensorRefreshAt_ >= kSensorRefreshInterval;
    if (due) {
        hasSensorRefresh_ = true;
        lastSensorRefreshAt_ = now;
        const bool partial = !registryConsumersVisible_ && hasRegistryRefresh_ &&
                             now - lastRegistryRefreshAt_ < kHiddenRegistryRefreshInterval;
        if (partial) {
            discovered_ = discovery_->refresh(std::move(discovered_), isLiveRefreshSensor);
        } else {
            hasRegistryRefresh_ = true;
            lastRegistryRefreshAt_ = now;
            discovered_ = discovery_->refresh(std::move(discovered_));
            hidSensors_ = readHIDSensors();
        }
        cachedTemperatureOnly_.clear();
        std::copy_if(discovered_.begin(), discovered_.end(), std::back_inserter(cachedTemperatureOnly_),
                     [](const SMCSensor& s) { return s.sensorClass == SensorClass::temperature; });
        cachedAllSensors_ = discovered_;
        cachedAllSensors_.insert(cachedAllSensors_.end(), hidSensors_.begin(), hidSensors_.end());
    }

    Result result;
    result.temperatureSensors = cachedTemperatureOnly_;
    result.allSensors = cachedAllSensors_;
    result.fans = readFans(due);
    result.smcAvailable = !result.allSensors.empty() || !result.fans.empty();
    result.sensorsRefreshed = due;
    return result;
}

std::vector<FanStatus> SensorPoller::Core::readFans(bool fullRefresh) {
    int count = cachedFanCount_;
    if (fullRefresh || !hasFanCount_) {
        const int read = fanReader_->fanCount();
        // A transient zero must not make the fans vanish from the engine.
        if (read >= 1 || !hasFanCount_) {
            hasFanCount_ = true;
            cachedFanCount_ = read;
            count = read;
        }
    }

    std::vector<FanStatus> fans;
    fans.reserve(static_cast<std::size_t>(count));
    for (int fan = 0; fan < count; ++fan) {
        const auto cached = cachedFanBounds_.find(fan);
        if (!fullRefresh && cached != cachedFanBounds_.end()) {
            fans.push_back(fanReader_->status(fan, cached->second));
            continue;
        }
        FanStatus status = fanReader_->status(fan);
        if (plausibleBounds(status)) {
            cachedFanBounds_[fan] = {status.minRPM, status.maxRPM};
        } else if (cached != cachedFanBounds_.end()) {
            status.minRPM = cached->second.min;
            status.maxRPM = cached->second.max;
        }
        fans.push_back(status);
    }
    return fans;
}

std::vector<SMCSensor> SensorPoller::Core::readHIDSensors() {
    if (!hidSource_ && makeHIDSource_) hidSource_ = makeHIDSource_();
    if (!hidSource_) return {};
    std::vector<SMCSensor> sensors;
    for (HIDSensorReading& reading : hidSource_->readAll()) {
        SMCSensor sensor;
        sensor.id = "hid:" + reading.name;
        sensor.key = sensor.id;
        sensor.name = hidDisplayName(reading.name);
        sensor.category = SensorCategory::enclosure;
        sensor.currentTemp = reading.celsius;
        sensor.sensorClass = SensorClass::temperature;
        sensor.unit = "\u00B0C";
        sensors.push_back(std::move(sensor));
    }
    return sensors;
}

bool SensorPoller::Core::isLiveRefreshSensor(const SMCSensor& sensor) {
    if (sensor.sensorClass == SensorClass::temperature) return true;
    return std::find(std::begin(kLiveRefreshKeys), std::end(kLiveRefreshKeys), sensor.key) != std::end(kLiveRefreshKeys);
}

SensorPoller::SensorPoller(std::shared_ptr<SMCKernelBridge> bridge, HIDSourceFactory makeHIDSource, Clock clock)
    : core_(std::move(bridge), std::move(makeHIDSource), std::move(clock)), actor_(QStringLiteral("SensorPoller")) {}

SensorPoller::~SensorPoller() = default;

// Each operation hands the core's call to the actor thread. A failure to get
// an answer (the poller stopped with the call still queued) reads as a
// poller without a connection: the engine then treats the SMC as missing.
QCoro::Task<SensorPoller::Result> SensorPoller::poll() {
    Result result;
    try {
        auto pending = actor_.call([this] { return core_.poll(); });
        result = co_await pending;
    } catch (const std::exception&) {
    }
    co_return result;
}

QCoro::Task<void> SensorPoller::setRegistryConsumersVisible(bool visible) {
    try {
        auto pending = actor_.call([this, visible] { core_.setRegistryConsumersVisible(visible); });
        co_await pending;
    } catch (const std::exception&) {
    }
}

QCoro::Task<void> SensorPoller::discoverIfNeeded() {
    try {
        auto pending = actor_.call([this] { core_.discoverIfNeeded(); });
        co_await pending;
    } catch (const std::exception&) {
    }
}

}  // namespace zephrane
