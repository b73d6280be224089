// A process table held in memory for tests: processes are added, changed
// and removed between samples; a field left empty reads as a failed read.
#pragma once

#include <map>
#include <utility>

#include "platform/proc/ProcessTable.hpp"

namespace zephrane::proc {

class FakeProcessTable final : public ProcessTable {
public:
    struct Process {
        std::optional<CPUTimes> times;
        std::optional<std::string> path;
        std::optional<std::string> name;
    };

    // Adds or replaces a process; it is listed after the ones already there.
    void set(Pid pid, Process process) {
        if (!processes_.contains(pid)) order_.push_back(pid);
        processes_[pid] = std::move(process);
    }
    // A running process named by its executable path, with its counters in
    // seconds of user and system time.
    void setRunning(Pid pid, const std::string& path, double userSeconds, double systemSeconds = 0) {
        set(pid, {CPUTimes{toNanoseconds(userSeconds), toNanoseconds(systemSeconds)}, path, std::nullopt});
    }
    void setTimes(Pid pid, double userSeconds, double systemSeconds = 0) {
        processes_.at(pid).times = CPUTimes{toNanoseconds(userSeconds), toNanoseconds(systemSeconds)};
    }
    void remove(Pid pid) {
        processes_.erase(pid);
        std::erase(order_, pid);
    }
    void clear() {
        processes_.clear();
        order_.clear();
    }
    // How often each process's name was resolved.
    int nameLookups(Pid pid) const { return nameLookups_.contains(pid) ? nameLookups_.at(pid) : 0; }

    std::vector<Pid> allPids() override { return order_; }
    std::optional<CPUTimes> cpuTimes(Pid pid) override { return field(pid, &Process::times); }
    std::optional<std::string> executablePath(Pid pid) override {
        ++nameLookups_[pid];
        return field(pid, &Process::path);
    }
    std::optional<std::string> shortName(Pid pid) override { return field(pid, &Process::name); }

    static std::uint64_t toNanoseconds(double seconds) { return static_cast<std::uint64_t>(seconds * 1e9 + 0.5); }

private:
    template <class T>
    std::optional<T> field(Pid pid, std::optional<T> Process::*member) const {
        const auto found = processes_.find(pid);
        if (found == processes_.end()) return std::nullopt;
        return found->second.*member;
    }

    std::map<Pid, Process> processes_;
    std::vector<Pid> order_;
    std::map<Pid, int> nameLookups_;
};

}  // namespace zephrane::proc
