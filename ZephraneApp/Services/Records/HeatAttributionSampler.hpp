// Which applications are heating the machine: the CPU time each process used
// since the previous sample, helper processes folded into their application,
// ranked live and as running totals for the current calendar day (kept in
// the daily heat files, see HeatDayFiles).
//
// HeatAttributionSampler::Core does the work synchronously and knows no
// threads. The whole process table is read on every sample and the day files
// on the way in and out, so HeatAttributionSampler, the engine's face, makes,
// runs and ends its Core on an actor thread of its own.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QString>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Concurrency/Actor.hpp"
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

    class Core {
    public:
        // Loads today's totals and prunes old day files. `processes` must
        // outlive the core.
        Core(QString directory, const QDateTime& now, proc::ProcessTable& processes);
        // Writes totals not yet written, so a normal quit loses nothing.
        ~Core();
        Core(const Core&) = delete;
        Core& operator=(const Core&) = delete;

        // One pass; see the file comment. Both rankings hold at most 8
        // entries, largest CPU seconds first; equal seconds keep first-seen
        // order.
        Rankings sample(const QDateTime& now);

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

    // Makes the core on the actor thread. `processes` must outlive the
    // sampler and be usable from another thread.
    HeatAttributionSampler(QString directory, const QDateTime& now, proc::ProcessTable& processes);
    // Ends the core on the actor thread (writing unsaved totals) after the
    // samples already asked for, then joins it.
    ~HeatAttributionSampler();
    HeatAttributionSampler(const HeatAttributionSampler&) = delete;
    HeatAttributionSampler& operator=(const HeatAttributionSampler&) = delete;

    // Core::sample() on the actor thread; resumes the caller on its own
    // thread. Throws ActorStopped only to a caller that outlived the sampler.
    QCoro::Task<Rankings> sample(QDateTime now);

    // The thread the core lives on.
    QThread* thread() { return actor_.thread(); }

    // The name with the first matching helper suffix removed once.
    static std::string foldedName(std::string name);
    // Seconds summed per name (pairs at or below 0 ignored), largest first,
    // cut to 8, shares of the uncut total; every pid 0.
    static std::vector<HeatSource> rankAndShare(const std::vector<std::pair<std::string, double>>& seconds);

private:
    std::unique_ptr<Core> core_;  // touched on the actor thread only
    Actor actor_;
};

}  // namespace zephrane
