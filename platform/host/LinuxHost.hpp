// The host figures read from procfs, sysfs and statvfs.
//
// CPU ticks, from the first ("cpu") line of /proc/stat, in USER_HZ ticks:
//   user   = user (which already includes guest time)
//   system = system + irq + softirq
//   idle   = idle + iowait (waiting on I/O is not work for the fans)
//   nice   = nice (which already includes guest_nice)
// steal is left out: the hypervisor ran someone else, so this machine was
// neither busy nor idle. The sums are cut to 32 bits, as the Mac's counters.
// A line with fewer than the four oldest fields fails the read; the later
// fields count as 0 when an old kernel does not print them.
//
// Memory. Linux has no page classes that line up with the Mac's. What the
// Mac's readers add up (active + wired + compressed) is the memory that
// cannot be handed to a new allocation without evicting something; Linux's
// own estimate of the opposite is MemAvailable, so "used" is
// MemTotal − MemAvailable, split so the three classes always sum to it:
//   compressor = Zswap (the RAM the zswap pool occupies; 0 where the kernel
//                does not report it)
//   wired      = Unevictable + SUnreclaim + KernelStack + PageTables
//                (memory neither reclaimable nor swappable), capped at what
//                is left of "used"
//   active     = the rest of "used"
// each in pages of the system page size, rounded down. MemTotal and
// MemAvailable must both be there; a missing other line counts as 0, a
// malformed one fails the read. The physical memory size is MemTotal, so
// used ÷ physical is a fraction of the same whole.
//
// Swap: the sum of the Size and Used columns of /proc/swaps (kB); available
// is total − used. A header alone means no swap (all 0); a missing file or a
// malformed line fails the read.
//
// sysctl names: "hw.ncpu" counts the CPUs listed in
// /sys/devices/system/cpu/present. On hybrid CPUs the kernel lists the
// performance cores in /sys/devices/cpu_core/cpus and the efficiency cores
// in /sys/devices/cpu_atom/cpus; those give "hw.perflevel0.logicalcpu" and
// "hw.perflevel1.logicalcpu", and fail where the files are absent, as the Mac
// fails where it has no second performance level. Other names fail.
//
// Volume capacity, from statvfs: total = f_blocks × f_frsize; available for
// important usage = f_bavail × f_frsize, what an unprivileged user can still
// write (blocks reserved for root are not available to the app).
#pragma once

#include <string>

#include "platform/host/Host.hpp"

namespace zephrane::host {

class LinuxHost final : public Host {
public:
    // `fileRoot` is put in front of every /proc and /sys path, so tests can
    // point the reads at a prepared tree; empty reads the machine.
    explicit LinuxHost(std::string fileRoot = {});

    std::optional<CPULoadInfo> cpuLoadInfo() override;
    std::optional<VMStatistics64> vmStatistics64() override;
    std::optional<std::uint64_t> pageSize() override;
    std::uint64_t physicalMemory() override;
    std::optional<std::int64_t> sysctlInteger(std::string_view name) override;
    std::optional<SwapUsage> swapUsage() override;
    std::optional<VolumeCapacity> volumeCapacity(const std::string& path) override;

private:
    std::string path(std::string_view absolute) const;

    std::string fileRoot_;
};

}  // namespace zephrane::host
