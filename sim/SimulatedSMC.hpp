// The System Management Controller of a simulated machine: the key table of a
// machine profile answering the four SMC commands on 80-byte records with the
// firmware's result bytes, fans driven by the firmware's automatic curve or
// by a client's target, readings that follow a thermal model, the HID
// temperature services, the I/O Registry's power and GPU services (battery,
// adapter, lid, accelerators; see PowerModel), and the faults tests inject.
//
// Commands (data8) and results (SMCRecord.hpp):
//   9 key info    key -> dataSize, dataType, dataAttributes; 0x84 when absent
//   5 read        key -> value bytes; 0x84 absent, 0x85 not readable, 0x89 a
//                 value larger than the record's 32 bytes
//   6 write       key, dataSize, bytes -> 0x84 absent, 0x86 read-only, 0x89
//                 a value larger than 32 bytes, 0x87 dataSize differs from
//                 the key's size, 0x81 a manual fan mode the firmware will
//                 not take yet (FanBank.hpp)
//   8 key at index  data32 -> key; 0x84 past the last key
//   other         0x82
//
// Time passes only through advance(). The load is sampled once per advance,
// outside the lock. One mutex guards everything; it is never held while
// waiting: a hung call is reported to the caller (no answer), not slept on.
//
// A server may share the key table with its clients (SharedKeyTable), who
// then answer key information, reads and key-at-index themselves. Every
// change of a value is published before the call or advance that made it
// returns, so a client reads what the socket would have answered; while a
// fault is set that the clients cannot act out from the table (a hung call,
// a removed key, a short answer), the calls it touches, or all calls, are
// switched back to the socket, before the fault takes effect and until it is
// cleared.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/iokit/IOReturn.hpp"
#include "sim/FanBank.hpp"
#include "sim/KeyFollower.hpp"
#include "sim/KeyTable.hpp"
#include "sim/LoadSource.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/PowerModel.hpp"
#include "sim/SMCRecord.hpp"
#include "sim/SharedAnswers.hpp"
#include "sim/SharedKeyTable.hpp"
#include "sim/ThermalModel.hpp"

namespace zephrane::sim {

struct SMCAnswer {
    SMCRecord record{};
    std::size_t size = record.size();  // fewer bytes after a short-answer fault
};

struct HIDServiceReading {
    Json product;                   // null: no product name
    std::optional<double> celsius;  // absent: no temperature event
};

// A key as it stands, for assertions and the control socket.
struct KeyView {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    std::optional<double> value;  // absent for types the codec does not know
    bool readable = true;
    bool writable = false;
};

class SimulatedSMC {
public:
    explicit SimulatedSMC(const MachineProfile& profile, LoadSource load = constantLoad(0));

    // The user client's open: success, or the code of a refuse-opens fault.
    iokit::kern_return_t open() const;
    // One command. Absent when the call hangs (a fault): no answer, ever.
    std::optional<SMCAnswer> call(const SMCRecord& request);

    void advance(SimDuration dt);
    SimDuration elapsed() const;

    std::vector<HIDServiceReading> hidServices() const;

    // The I/O Registry. Services match by their class or a superclass:
    // "AppleSmartBattery" (only with a battery), "IOPMrootDomain" (always),
    // "IOAccelerator" or an accelerator's own class. Property maps are JSON
    // objects; an unknown class has no services.
    std::vector<Json> registryServices(std::string_view className) const;
    // The entry at a registry path; only the root domain's
    // "IOPower:/IOPowerConnection/IOPMrootDomain" is known.
    std::optional<Json> registryEntry(std::string_view path) const;
    // The power-sources service; see PowerModel.
    std::string providingPowerSourceType() const;
    std::optional<Json> externalPowerAdapterDetails() const;
    // The answer to one registry question (an operation of IORegistry.sock
    // and its argument), as the socket gives it; none for an operation that
    // is no question.
    std::optional<Json> registryAnswer(std::uint8_t operation, std::string_view argument) const;

    // Power controls; std::out_of_range when the machine lacks the part.
    void setAdapterConnected(bool connected);
    void setBatteryLevel(double percent);
    void drainBattery(double points);
    void setLidClosed(bool closed);
    // A copy of the power state, for assertions.
    PowerModel power() const;

    // Faults. Key names must have four bytes (std::invalid_argument).
    void hangKey(std::string_view key);  // calls about this key never answer
    void hangAll();                      // no call answers
    bool removeKey(std::string_view key);  // false when there is no such key
    void refuseOpens(iokit::kern_return_t code);
    void modeNeverTakes(int fan);  // std::out_of_range for a fan not there
    void shortAnswerNext(std::size_t bytes);  // 0 to 79; std::out_of_range otherwise
    // Clears every fault and brings removed keys back; hung calls stay hung.
    void clearFaults();

    // A fixed load in place of the source; absent: the source again.
    void setLoadOverride(std::optional<double> load);
    // Holds the die at a temperature (ThermalModel::holdDie) and moves every
    // reading that follows it at once, not at the next advance; absent: the
    // die follows its load again. std::out_of_range unless 0 to the
    // throttle temperature.
    void holdDieTemperature(std::optional<double> celsius);

    // Sharing the key table. shareKeyTable() makes the segment on first use
    // and returns its descriptor (std::system_error when it cannot be made
    // safely); sharedKeyTableForClient() opens a read-only description of it
    // for an open to hand out and the caller to close, absent unless shared
    // and not retired (or when none can be opened). Clients trust the
    // segment only within a lease the server keeps renewing (without an
    // argument: for the lease last given, as at every open); retiring sends
    // every call back to the socket for good (the server is stopping).
    int shareKeyTable();
    std::optional<int> sharedKeyTableForClient() const;
    void renewSharedKeyTableLease(std::chrono::nanoseconds lease);
    void renewSharedKeyTableLease();
    void retireSharedKeyTable();
    // The same for the registry's answers to the questions asked every
    // second (SharedAnswers), under the key table's lease and retired with
    // it; republished whenever the machine moves.
    void shareRegistryAnswers();
    std::optional<int> sharedRegistryAnswersForClient() const;

    std::optional<KeyView> peek(std::string_view key) const;  // listed keys only
    const std::string& name() const { return name_; }
    int fanCount() const { return fans_.count(); }
    // No client holds a fan or the diagnostic unlock.
    bool firmwareHasEveryFan() const;
    double dieC() const;
    double boardC() const;
    double lastLoad() const;
    // Calls left without an answer by a hang fault, since the start.
    std::uint64_t unansweredCalls() const;

private:
    struct Faults {
        bool hangAll = false;
        std::set<std::uint32_t> hungKeys;
        std::optional<iokit::kern_return_t> refuseOpens;
        std::set<int> neverManual;
        std::optional<std::size_t> shortAnswer;
    };

    std::uint8_t keyInfo(const SMCRecord& request, SMCRecord& answer) const;
    std::uint8_t read(const SMCRecord& request, SMCRecord& answer) const;
    std::uint8_t write(const SMCRecord& request);
    std::uint8_t keyAtIndex(const SMCRecord& request, SMCRecord& answer) const;
    // Under the lock, with the segment shared: the values, and which calls
    // must come over the socket.
    void publishValues();
    // Of the keys time moves (the model's readings, the fans) alone: most of
    // a real machine's keys never change.
    void publishMovingValues();
    void publishFaults();
    // Without the lock: it asks the registry like any client.
    void publishRegistryAnswers();

    const std::string name_;
    const std::vector<HIDServiceSpec> hidSpecs_;
    const std::vector<AcceleratorSpec> accelerators_;
    const LoadSource loadSource_;

    std::mutex registryPublishing_;  // taken before mutex_, never while holding it
    mutable std::mutex mutex_;  // guards everything below
    KeyTable table_;
    FanBank fans_;
    ThermalModel model_;
    KeyFollower follower_;
    PowerModel power_;
    Faults faults_;
    std::optional<double> loadOverride_;
    double lastLoad_ = 0;
    SimDuration elapsed_{};
    std::uint64_t unanswered_ = 0;
    std::vector<std::size_t> movingSlots_;  // never changes after construction
    std::unique_ptr<SharedKeyTable> shared_;
    std::unique_ptr<SharedAnswers> answers_;
    std::optional<std::chrono::nanoseconds> sharedLease_;
    bool sharedRetired_ = false;
};

}  // namespace zephrane::sim
