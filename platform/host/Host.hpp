// The host-wide figures the load sampler reads, in the shapes the Mac gives
// them: the kernel's CPU tick counters (host_statistics, CPU-load flavour),
// the VM page counts (host_statistics64, VM flavour) with host_page_size,
// the physical memory size, a few sysctlbyname values and the capacity of a
// volume. Only the fields the sampler reads are declared.
//
// Every call may block on the kernel, so callers keep them off the GUI
// thread. Nothing throws: a call that fails on the Mac fails here too, as an
// empty optional. On Linux this is LinuxHost; tests use FakeHost.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zephrane::host {

// Ticks each CPU state has accumulated since boot, summed over all CPUs. The
// Mac's counters are 32-bit (natural_t) and wrap; so do these, so a reader
// that handles the Mac handles this too.
struct CPULoadInfo {
    std::uint32_t user = 0;
    std::uint32_t system = 0;
    std::uint32_t idle = 0;
    std::uint32_t nice = 0;

    friend bool operator==(const CPULoadInfo&, const CPULoadInfo&) = default;
};

// Page counts by the Mac's page classes.
struct VMStatistics64 {
    std::uint64_t activeCount = 0;
    std::uint64_t wireCount = 0;
    std::uint64_t compressorPageCount = 0;  // pages the compressor itself occupies

    friend bool operator==(const VMStatistics64&, const VMStatistics64&) = default;
};

// "vm.swapusage", in bytes.
struct SwapUsage {
    std::uint64_t total = 0;
    std::uint64_t available = 0;
    std::uint64_t used = 0;

    friend bool operator==(const SwapUsage&, const SwapUsage&) = default;
};

// A volume's resource values, in bytes; each may be missing on its own.
struct VolumeCapacity {
    std::optional<std::int64_t> total;
    std::optional<std::int64_t> availableForImportantUsage;

    friend bool operator==(const VolumeCapacity&, const VolumeCapacity&) = default;
};

class Host {
public:
    virtual ~Host() = default;

    virtual std::optional<CPULoadInfo> cpuLoadInfo() = 0;
    virtual std::optional<VMStatistics64> vmStatistics64() = 0;
    virtual std::optional<std::uint64_t> pageSize() = 0;
    // Bytes of RAM; 0 when unknown (the Mac's figure is never missing, and
    // callers treat 0 as "cannot tell").
    virtual std::uint64_t physicalMemory() = 0;
    // sysctlbyname of an integer value: "hw.ncpu",
    // "hw.perflevel0.logicalcpu", "hw.perflevel1.logicalcpu". Empty when the
    // name is unknown on this machine.
    virtual std::optional<std::int64_t> sysctlInteger(std::string_view name) = 0;
    // sysctlbyname("vm.swapusage").
    virtual std::optional<SwapUsage> swapUsage() = 0;
    // The volume holding `path`; empty when the request fails.
    virtual std::optional<VolumeCapacity> volumeCapacity(const std::string& path) = 0;
};

}  // namespace zephrane::host
