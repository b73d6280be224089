// Which applications are heating the machine: the CPU time each process used
// since the previous sample, helper processes folded into their application,
// ranked live and as running totals for the current calendar day (kept in
// the daily heat files, see HeatDayFiles).
//
// Threading: the sampler reads the whole process table on every sample, so
// it must not run on the GUI thread. It is a plain object without a lock:
// its owner creates it, calls sample() from one worker thread at a time and
// destroys it there or after that worker has finished.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QString>

#include "ZephraneApp/Services/Records/HeatDayFiles.hpp"
#include "platform/proc/ProcessTable.hpp"

namespace zephrane {

struct HeatSource {
    std::string name;       // application name after folding; the identity
    double cpuShare = 0;    // of the ranking's total before it was cut to 8; 0...1
    double cpuSeconds = 0;  // in the ranking's period
    std::int32_t pid = 0;   // a process with this name in the latest sample, 0 if none

    const std::string& id() const { return name; }
    friend bool operator==(const HeatSource&, const HeatSource&) = default;
};

class HeatAttributionSampler {
public:
    struct Rankings {
        std::vector<HeatSource> live;   // since the previous sample
        std::vector<HeatSource> today;  // the day's totals
    };

    static constexpr std::size_t kRankingLength = 8;

    // "Zephrane" in the user's data folder ($XDG_DATA_HOME), or in the
    // temporary directory when there is none. Not created here.
    static QString defaultDirectory();

    // Loads today's totals and prunes old day files. `processes` must
    // outlive the sampler.
    HeatAttributionSampler(QString directory, const QDateTime& now, proc::ProcessTable& processes);
    // Writes totals not yet written, so a normal quit loses nothing.
    ~HeatAttributionSampler();
    HeatAttributionSampler(const HeatAttributionSampler&) = delete;
    HeatAttributionSampler& operator=(const HeatAttributionSampler&) = delete;

    // One pass; see the file comment. Both rankings hold at most 8 entries,
    // largest CPU seconds first; equal seconds keep first-seen order.
    Rankings sample(const QDateTime& now);

    // The name with the first matching helper suffix removed once.
    static std::string foldedName(std::string name);
    // Seconds summed per name (pairs at or below 0 ignored), largest first,
    // cut to 8, shares of the uncut total; every pid 0.
    static std::vector<HeatSource> rankAndShare(const std::vector<std::pair<std::string, double>>& seconds);

private:
    struct Entry {
        std::string name;
        double seconds;
        proc::Pid pid;
    };

    std::vector<Entry> collect();
    std::optional<std::string> resolveName(proc::Pid pid);
    void rollOver(const QDateTime& now);
    void persist(const QDateTime& now);

    proc::ProcessTable& processes_;
    std::map<proc::Pid, proc::CPUTimes> lastCPUTimes_;
    std::map<proc::Pid, std::string> pidNameCache_;
    HeatDayFiles files_;
    std::map<std::string, double> dailyTotals_;
    QDate currentDay_;
    bool isDirty_ = false;
    std::optional<QDateTime> lastPersistDate_;
};

}  // namespace zephrane
