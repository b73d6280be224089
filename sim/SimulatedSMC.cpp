#include "sim/SimulatedSMC.hpp"

#include "platform/iokit/AnswerSegment.hpp"
#include "platform/iokit/SimulatorProtocol.hpp"

#include <algorithm>
#include <cmath>
#include <span>
#include <stdexcept>

#include "shared/FourCC.hpp"
#include "shared/NumberText.hpp"

namespace zephrane::sim {
namespace {

// The fans react to the die within a step, so the firmware and the thermal
// model take turns at this pace however long an advance is.
constexpr SimDuration kStep = std::chrono::milliseconds(100);

double sanitizedLoad(double load) { return std::isnan(load) ? 0.0 : std::clamp(load, 0.0, 1.0); }

}  // namespace

SimulatedSMC::SimulatedSMC(const MachineProfile& profile, LoadSource load)
    : name_(profile.name),
      hidSpecs_(profile.hidServices),
      accelerators_(profile.accelerators),
      loadSource_(std::move(load)),
      table_(profile.keys),
      fans_(table_, profile),
      model_(profile.thermal, fans_.airflow()),
      follower_(table_, profile),
      power_(profile),
      movingSlots_(follower_.drivenSlots()) {
    const std::vector<std::size_t> fanSlots = fans_.drivenSlots();
    movingSlots_.insert(movingSlots_.end(), fanSlots.begin(), fanSlots.end());
}

iokit::kern_return_t SimulatedSMC::open() const {
    std::lock_guard lock(mutex_);
    return faults_.refuseOpens.value_or(iokit::kIOReturnSuccess);
}

std::optional<SMCAnswer> SimulatedSMC::call(const SMCRecord& request) {
    std::lock_guard lock(mutex_);
    const std::uint32_t key = record::u32(request, record::kKey);
    if (faults_.hangAll || faults_.hungKeys.contains(key)) {
        ++unanswered_;
        return std::nullopt;
    }

    SMCAnswer answer;
    record::setU32(answer.record, record::kKey, key);
    std::uint8_t result;
    switch (request[record::kCommand]) {
        case command::kKeyInfo: result = keyInfo(request, answer.record); break;
        case command::kReadValue: result = read(request, answer.record); break;
        case command::kWriteValue: result = write(request); break;
        case command::kKeyAtIndex: result = keyAtIndex(request, answer.record); break;
        default: result = result::kUnknownCommand; break;
    }
    answer.record[record::kResult] = result;
    if (request[record::kCommand] == command::kWriteValue) {
        // The key written, and what the firmware moved because of it.
        if (const auto slot = table_.slot(key); slot && shared_) shared_->publish(table_, std::span(&*slot, 1));
        publishMovingValues();
    }
    if (faults_.shortAnswer) {
        answer.size = *faults_.shortAnswer;
        faults_.shortAnswer.reset();
        publishFaults();
    }
    return answer;
}

std::uint8_t SimulatedSMC::keyInfo(const SMCRecord& request, SMCRecord& answer) const {
    const SimKey* key = table_.find(record::u32(request, record::kKey));
    if (key == nullptr) return result::kKeyNotFound;
    record::setU32(answer, record::kDataSize, static_cast<std::uint32_t>(key->bytes.size()));
    record::setU32(answer, record::kDataType, key->type);
    answer[record::kDataAttributes] = key->attributes;
    return result::kSuccess;
}

// The value goes back whole whatever size the request names: the size only
// tells the client how many of the bytes to look at.
std::uint8_t SimulatedSMC::read(const SMCRecord& request, SMCRecord& answer) const {
    const SimKey* key = table_.find(record::u32(request, record::kKey));
    if (key == nullptr) return result::kKeyNotFound;
    if (!key->readable) return result::kNotReadable;
    if (key->bytes.size() > record::kValueCapacity) return result::kBadArgument;
    std::copy(key->bytes.begin(), key->bytes.end(), answer.begin() + record::kBytes);
    return result::kSuccess;
}

// The request's dataType is not checked: the firmware goes by the key's own.
std::uint8_t SimulatedSMC::write(const SMCRecord& request) {
    SimKey* key = table_.find(record::u32(request, record::kKey));
    if (key == nullptr) return result::kKeyNotFound;
    if (!key->writable) return result::kNotWritable;
    if (key->bytes.size() > record::kValueCapacity) return result::kBadArgument;
    if (record::u32(request, record::kDataSize) != key->bytes.size()) return result::kSizeMismatch;
    const std::span<const std::uint8_t> bytes(request.data() + record::kBytes, key->bytes.size());
    return fans_.write(table_, *key, bytes, elapsed_, faults_.neverManual);
}

std::uint8_t SimulatedSMC::keyAtIndex(const SMCRecord& request, SMCRecord& answer) const {
    const SimKey* key = table_.at(record::u32(request, record::kIndex));
    if (key == nullptr) return result::kKeyNotFound;
    record::setU32(answer, record::kKey, key->code);
    return result::kSuccess;
}

void SimulatedSMC::advance(SimDuration dt) {
    if (dt <= SimDuration::zero()) return;
    std::optional<double> fixed;
    SimDuration start;
    {
        std::lock_guard lock(mutex_);
        fixed = loadOverride_;
        start = elapsed_;
    }
    // The source may read files; it runs without the lock.
    const double load = sanitizedLoad(fixed ? *fixed : loadSource_(start + dt));

    {
        std::lock_guard lock(mutex_);
        lastLoad_ = load;
        for (SimDuration done{}; done < dt; done += kStep) {
            const SimDuration h = std::min(kStep, dt - done);
            fans_.advance(table_, h, model_.dieC());
            model_.advance(h, load, fans_.airflow());
            power_.advance(h, load);
            elapsed_ += h;
        }
        follower_.update(table_, model_, load);
        publishMovingValues();
    }
    publishRegistryAnswers();
}

SimDuration SimulatedSMC::elapsed() const {
    std::lock_guard lock(mutex_);
    return elapsed_;
}

std::vector<HIDServiceReading> SimulatedSMC::hidServices() const {
    std::lock_guard lock(mutex_);
    std::vector<HIDServiceReading> readings;
    readings.reserve(hidSpecs_.size());
    for (const HIDServiceSpec& spec : hidSpecs_) {
        HIDServiceReading reading{spec.product, std::nullopt};
        if (spec.baseC) reading.celsius = *spec.baseC + spec.gain * model_.change(spec.driver, lastLoad_);
        readings.push_back(std::move(reading));
    }
    return readings;
}

namespace {

constexpr std::string_view kBatteryClass = "AppleSmartBattery";
constexpr std::string_view kPowerSourceClass = "IOPMPowerSource";
constexpr std::string_view kRootDomainClass = "IOPMrootDomain";
constexpr std::string_view kAcceleratorClass = "IOAccelerator";
constexpr std::string_view kRootDomainPath = "IOPower:/IOPowerConnection/IOPMrootDomain";

std::int64_t utilization(const AcceleratorSpec& spec, double load, double share) {
    const double percent = (spec.idleUtilization + spec.loadGain * load) * share;
    return static_cast<std::int64_t>(std::llround(std::clamp(percent, 0.0, 100.0)));
}

Json acceleratorProperties(const AcceleratorSpec& spec, double load) {
    return {{"IOClass", spec.ioClass},
            {"model", spec.model},
            {"gpu-core-count", spec.coreCount},
            {"PerformanceStatistics",
             {{"Device Utilization %", utilization(spec, load, 1.0)},
              {"Renderer Utilization %", utilization(spec, load, 1.0)},
              {"Tiler Utilization %", utilization(spec, load, 0.5)}}}};
}

}  // namespace

std::vector<Json> SimulatedSMC::registryServices(std::string_view className) const {
    std::lock_guard lock(mutex_);
    std::vector<Json> services;
    if (className == kBatteryClass || className == kPowerSourceClass) {
        if (auto battery = power_.batteryProperties(model_.batteryC())) services.push_back(std::move(*battery));
    } else if (className == kRootDomainClass) {
        services.push_back(power_.rootDomainProperties());
    } else {
        for (const AcceleratorSpec& spec : accelerators_)
            if (className == kAcceleratorClass || className == spec.ioClass)
                services.push_back(acceleratorProperties(spec, lastLoad_));
    }
    return services;
}

std::optional<Json> SimulatedSMC::registryEntry(std::string_view path) const {
    if (path != kRootDomainPath) return std::nullopt;
    std::lock_guard lock(mutex_);
    return power_.rootDomainProperties();
}

std::string SimulatedSMC::providingPowerSourceType() const {
    std::lock_guard lock(mutex_);
    return power_.providingPowerSourceType();
}

std::optional<Json> SimulatedSMC::externalPowerAdapterDetails() const {
    std::lock_guard lock(mutex_);
    return power_.adapterDetails();
}

std::optional<Json> SimulatedSMC::registryAnswer(std::uint8_t operation, std::string_view argument) const {
    const auto orNull = [](std::optional<Json> value) { return value ? std::move(*value) : Json(nullptr); };
    switch (operation) {
        case iokit::wire::kOpMatchingServices: {
            Json services = Json::array();
            for (Json& service : registryServices(argument)) services.push_back(std::move(service));
            return services;
        }
        case iokit::wire::kOpEntryAtPath: return orNull(registryEntry(argument));
        case iokit::wire::kOpPowerSourceType: return Json(providingPowerSourceType());
        case iokit::wire::kOpAdapterDetails: return orNull(externalPowerAdapterDetails());
        default: return std::nullopt;
    }
}

// The questions the app's monitors ask every second, each with the answer
// the socket would give now.
void SimulatedSMC::publishRegistryAnswers() {
    // One publisher at a time, from asking to storing: two advances racing
    // must not leave the older answers standing.
    std::lock_guard publishing(registryPublishing_);
    SharedAnswers* shared = nullptr;
    std::vector<std::string> classes{std::string(kBatteryClass), std::string(kPowerSourceClass),
                                     std::string(kRootDomainClass), std::string(kAcceleratorClass)};
    {
        std::lock_guard lock(mutex_);
        if (!answers_ || sharedRetired_) return;
        shared = answers_.get();
        for (const AcceleratorSpec& spec : accelerators_) classes.push_back(spec.ioClass);
    }
    namespace wire = iokit::wire;
    Json text = Json::object();
    for (const std::string& name : classes)
        text[iokit::answers::answerKey(wire::kOpMatchingServices, name)] = *registryAnswer(wire::kOpMatchingServices, name);
    text[iokit::answers::answerKey(wire::kOpEntryAtPath, kRootDomainPath)] =
        *registryAnswer(wire::kOpEntryAtPath, kRootDomainPath);
    for (const std::uint8_t operation : {wire::kOpPowerSourceType, wire::kOpAdapterDetails})
        text[iokit::answers::answerKey(operation, {})] = *registryAnswer(operation, {});
    // Too large to share (a profile with very many GPUs): asked over the socket.
    if (!shared->publish(text.dump())) shared->setOnSocket(true);
}

void SimulatedSMC::shareRegistryAnswers() {
    {
        std::lock_guard lock(mutex_);
        if (!answers_) answers_ = std::make_unique<SharedAnswers>();
    }
    publishRegistryAnswers();
}

std::optional<int> SimulatedSMC::sharedRegistryAnswersForClient() const {
    std::lock_guard lock(mutex_);
    if (!answers_ || sharedRetired_) return std::nullopt;
    const int descriptor = answers_->openForClient();
    if (descriptor < 0) return std::nullopt;
    return descriptor;
}

void SimulatedSMC::setAdapterConnected(bool connected) {
    {
        std::lock_guard lock(mutex_);
        power_.setAdapterConnected(connected);
    }
    publishRegistryAnswers();
}

void SimulatedSMC::setBatteryLevel(double percent) {
    {
        std::lock_guard lock(mutex_);
        power_.setBatteryLevel(percent);
    }
    publishRegistryAnswers();
}

void SimulatedSMC::drainBattery(double points) {
    {
        std::lock_guard lock(mutex_);
        power_.drainBattery(points);
    }
    publishRegistryAnswers();
}

void SimulatedSMC::setLidClosed(bool closed) {
    {
        std::lock_guard lock(mutex_);
        power_.setLidClosed(closed);
    }
    publishRegistryAnswers();
}

PowerModel SimulatedSMC::power() const {
    std::lock_guard lock(mutex_);
    return power_;
}

void SimulatedSMC::hangKey(std::string_view key) {
    const std::uint32_t code = FourCC::code(key);
    std::lock_guard lock(mutex_);
    faults_.hungKeys.insert(code);
    publishFaults();
}

void SimulatedSMC::hangAll() {
    std::lock_guard lock(mutex_);
    faults_.hangAll = true;
    publishFaults();
}

bool SimulatedSMC::removeKey(std::string_view key) {
    const std::uint32_t code = FourCC::code(key);
    std::lock_guard lock(mutex_);
    if (!table_.slot(code)) return false;
    // Off the table before its listing and "#KEY" change under a reader.
    if (shared_) shared_->setTableOnSocket(true);
    table_.remove(code);
    publishValues();
    publishFaults();
    return true;
}

void SimulatedSMC::refuseOpens(iokit::kern_return_t code) {
    std::lock_guard lock(mutex_);
    faults_.refuseOpens = code;
}

void SimulatedSMC::modeNeverTakes(int fan) {
    std::lock_guard lock(mutex_);
    if (fan < 0 || fan >= fans_.count()) throw std::out_of_range("no fan " + std::to_string(fan));
    faults_.neverManual.insert(fan);
}

void SimulatedSMC::shortAnswerNext(std::size_t bytes) {
    if (bytes >= SMCRecord{}.size()) throw std::out_of_range("a short answer has fewer than 80 bytes");
    std::lock_guard lock(mutex_);
    faults_.shortAnswer = bytes;
    publishFaults();
}

void SimulatedSMC::clearFaults() {
    std::lock_guard lock(mutex_);
    faults_ = Faults{};
    table_.restoreAll();
    // The values as they stand again before the table is trusted again.
    publishValues();
    publishFaults();
}

int SimulatedSMC::shareKeyTable() {
    std::lock_guard lock(mutex_);
    if (!shared_) {
        shared_ = std::make_unique<SharedKeyTable>(table_);
        publishFaults();
    }
    return shared_->descriptor();
}

std::optional<int> SimulatedSMC::sharedKeyTableForClient() const {
    std::lock_guard lock(mutex_);
    if (!shared_ || sharedRetired_) return std::nullopt;
    const int descriptor = shared_->openForClient();
    if (descriptor < 0) return std::nullopt;
    return descriptor;
}

void SimulatedSMC::renewSharedKeyTableLease(std::chrono::nanoseconds lease) {
    std::lock_guard lock(mutex_);
    if (sharedRetired_) return;
    sharedLease_ = lease;
    if (shared_) shared_->renewLease(lease);
    if (answers_) answers_->renewLease(lease);
}

void SimulatedSMC::renewSharedKeyTableLease() {
    std::lock_guard lock(mutex_);
    if (sharedRetired_ || !sharedLease_) return;
    if (shared_) shared_->renewLease();
    if (answers_) answers_->renewLease(*sharedLease_);
}

void SimulatedSMC::retireSharedKeyTable() {
    std::lock_guard lock(mutex_);
    sharedRetired_ = true;
    publishFaults();
    if (answers_) answers_->setOnSocket(true);
}

void SimulatedSMC::publishValues() {
    if (shared_) shared_->publish(table_);
}

void SimulatedSMC::publishMovingValues() {
    if (shared_) shared_->publish(table_, movingSlots_);
}

// A call the table cannot answer as the firmware would now goes over the
// socket: every call while no call answers, the next answer is short, the
// listing has a gap, or a hung key is not in the table (a read of it must
// hang, not answer "not found"); the calls naming a hung key otherwise.
void SimulatedSMC::publishFaults() {
    if (!shared_) return;
    bool everyCall = sharedRetired_ || faults_.hangAll || faults_.shortAnswer.has_value() ||
                     table_.count() != table_.slotCount();
    for (std::uint32_t code : faults_.hungKeys) everyCall |= !table_.slot(code).has_value();
    if (everyCall) shared_->setTableOnSocket(true);
    for (std::size_t slot = 0; slot < table_.slotCount(); ++slot)
        shared_->setKeyOnSocket(slot, faults_.hungKeys.contains(table_.inSlot(slot).code));
    if (!everyCall) shared_->setTableOnSocket(false);
}

void SimulatedSMC::setLoadOverride(std::optional<double> load) {
    std::lock_guard lock(mutex_);
    loadOverride_ = load;
}

void SimulatedSMC::holdDieTemperature(std::optional<double> celsius) {
    std::lock_guard lock(mutex_);
    const double throttle = model_.throttleC();
    if (celsius && !(*celsius >= 0 && *celsius <= throttle))
        throw std::out_of_range("a die temperature lies in 0 to " + shortestText(throttle) + " °C");
    model_.holdDie(celsius);
    follower_.update(table_, model_, lastLoad_);
    publishValues();
}

std::optional<KeyView> SimulatedSMC::peek(std::string_view name) const {
    const std::uint32_t code = FourCC::code(name);
    std::lock_guard lock(mutex_);
    const SimKey* key = table_.find(code);
    if (key == nullptr) return std::nullopt;
    return KeyView{key->name, key->type, key->bytes, KeyTable::value(*key), key->readable, key->writable};
}

bool SimulatedSMC::firmwareHasEveryFan() const {
    std::lock_guard lock(mutex_);
    return fans_.firmwareHasEveryFan();
}

double SimulatedSMC::dieC() const {
    std::lock_guard lock(mutex_);
    return model_.dieC();
}

double SimulatedSMC::boardC() const {
    std::lock_guard lock(mutex_);
    return model_.boardC();
}

std::uint64_t SimulatedSMC::unansweredCalls() const {
    std::lock_guard lock(mutex_);
    return unanswered_;
}

double SimulatedSMC::lastLoad() const {
    std::lock_guard lock(mutex_);
    return lastLoad_;
}

}  // namespace zephrane::sim
