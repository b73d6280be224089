// A machine as data: its SMC key table, the parameters of the firmware
// behaviour and thermal model that move the table's values, and the parts the
// I/O Registry shows (battery, power adapter, lid, GPU). Profiles live as
// JSON under sim/machines/, many of them made from real key tables.
//
// A profile says what the machine reports, and the simulator serves it as it
// is: a machine without "FNum" (every fanless one), a key whose size is not
// its type's usual width, a key too large for the 32-byte record. Loading
// checks only what the simulated firmware itself relies on (well-formed keys,
// "#KEY", and the fan keys it drives when "FNum" names fans), so a bad file
// fails here, with every problem named by its place, never later as a wrong
// answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "shared/JsonCoding.hpp"
#include "sim/SimTime.hpp"

namespace zephrane::sim {

// Every problem of a profile, each naming its place; what() joins them.
class ProfileError : public std::runtime_error {
public:
    explicit ProfileError(const std::string& problem) : ProfileError(std::vector<std::string>{problem}) {}
    explicit ProfileError(std::vector<std::string> problems);
    // The same problems under a heading, e.g. the file they were found in.
    ProfileError(std::string_view heading, const ProfileError& error);

    const std::vector<std::string>& problems() const { return problems_; }

private:
    std::vector<std::string> problems_;
};

// What a reading follows: a node of the thermal model, or the load itself.
enum class Driver { die, board, battery, load };

struct FanControlParams {
    double rampRpmPerSecond = 1000;  // how fast the actual speed moves toward its goal
    // The firmware's automatic curve over the die temperature (degrees C):
    // stopped below autoOffBelowC (absent: never stopped), the minimum speed
    // up to autoMinAtC, rising linearly to the maximum at autoMaxAtC.
    std::optional<double> autoOffBelowC;
    double autoMinAtC = 60;
    double autoMaxAtC = 95;
    // How long "Ftst" = 1 must be held before a manual mode is accepted.
    SimDuration unlockDelay{};
};

struct ThermalParams {
    double ambientC = 24;
    double idleWatts = 5;   // die power at load 0
    double maxWatts = 60;   // die power at load 1
    double heatCapacityJoulesPerK = 30;
    double passiveWattsPerK = 0.5;  // cooling without airflow
    double fanWattsPerK = 0;        // extra cooling at full airflow
    double throttleC = 105;         // the die never gets hotter: the chip throttles
    double boardCoupling = 0.6;     // share of the die's rise over ambient the board settles at
    SimDuration boardTimeConstant = std::chrono::seconds(40);
    double batteryCoupling = 0.5;   // share of the board's rise the battery settles at
    SimDuration batteryTimeConstant = std::chrono::seconds(120);
    // Temperature keys reading this or less (but not 0: a sensor that is not
    // there) are parked cores: they keep their reading until the load reaches
    // unparkAtLoad (absent: never), then read their node's temperature.
    double parkedBelowC = 12;
    std::optional<double> unparkAtLoad;
};

// Keys whose name starts with `prefix` read their snapshot value plus
// gain × the driver's change from idle (first matching rule wins).
struct FollowRule {
    std::string prefix;
    Driver driver = Driver::die;
    double gain = 0;
};

struct HIDServiceSpec {
    Json product;                  // null: the service has no product name
    std::optional<double> baseC;   // absent: the service has no temperature event
    Driver driver = Driver::die;
    double gain = 0;
};

// The battery's gas gauge. Capacities in mAh, voltages in mV, as the
// registry reports them; the health the system reports is the full-charge
// capacity over the design capacity.
struct BatteryParams {
    double designCapacityMah = 5000;
    double fullChargeCapacityMah = 5000;   // "AppleRawMaxCapacity"
    double nominalChargeCapacityMah = 5000;
    double emptyMillivolts = 11000;  // the voltage at 0 % charge; it rises linearly to
    double fullMillivolts = 13000;   // this at 100 %
    std::int64_t cycleCount = 0;     // at start
    double levelPercent = 80;        // the charge at start, 0 to 100
    double platformWatts = 4;        // drawn beside the die: display, memory, radios
    double maxChargeMilliamps = 3000;
    // Charge flows this many times faster than real time, so that a demo
    // sees the level move within minutes instead of hours.
    double timeScale = 60;
};

struct AdapterParams {
    double watts = 60;
    double millivolts = 20000;
    bool connected = true;  // at start
};

struct LidParams {
    bool closed = false;  // at start
};

// One GPU as an "IOAccelerator" service: its utilisation is the idle share
// plus the gain times the load, in percent, within 0 to 100.
struct AcceleratorSpec {
    std::string ioClass;  // the driver's own class, e.g. "AGXAcceleratorG14X"
    std::string model;
    std::int64_t coreCount = 0;
    double idleUtilization = 0;
    double loadGain = 0;
};

struct ProfileKey {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;  // the key's size is bytes.size(), 1 to kMaxKeySize
    std::uint8_t attributes = 0;
    bool readable = true;
    bool writable = false;
};

// The controller reports a key's size in one byte.
inline constexpr std::size_t kMaxKeySize = 255;

// Attribute bits the simulator reports when a profile names none; clients
// carry attributes without interpreting them.
inline constexpr std::uint8_t kAttributeReadable = 0x80;
inline constexpr std::uint8_t kAttributeWritable = 0x40;

struct MachineProfile {
    std::string name;
    std::string description;
    FanControlParams fanControl;
    ThermalParams thermal;
    std::vector<FollowRule> follow;
    std::vector<HIDServiceSpec> hidServices;
    std::vector<ProfileKey> keys;  // in the firmware's key-index order
    std::optional<BatteryParams> battery;  // absent: a desktop
    std::optional<AdapterParams> adapter;  // absent: powered without an adapter the system can describe
    std::optional<LidParams> lid;          // absent: no lid (a desktop)
    std::vector<AcceleratorSpec> accelerators;

    int fanCount() const;  // "FNum"; 0 without it
    const ProfileKey* find(std::string_view name) const;

    // Throw ProfileError naming the file and the JSON path of every problem.
    static MachineProfile fromJson(const Json& json);
    static MachineProfile load(const std::filesystem::path& path);
};

}  // namespace zephrane::sim
