#include "ZephraneApp/Services/Records/HeatAttributionSampler.hpp"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>

#include <QDir>
#include <QStandardPaths>

namespace zephrane {
namespace {

constexpr auto kPersistInterval = std::chrono::seconds(60);

// Auxiliary processes named after their application; the first match wins.
constexpr std::array<std::string_view, 6> kFoldingSuffixes = {
    " Helper (Renderer)", " Helper (GPU)", " Helper (Plugin)", " Helper", " Web Content", " Networking",
};

std::uint64_t increase(std::uint64_t now, std::uint64_t before) {
    return now > before ? now - before : 0;  // a reused pid's counters restart lower
}

}  // namespace

QString HeatAttributionSampler::defaultDirectory() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) base = QDir::tempPath();
    return QDir(base).filePath(QStringLiteral("Zephrane"));
}

HeatAttributionSampler::HeatAttributionSampler(QString directory, const QDateTime& now,
                                               proc::ProcessTable& processes)
    : actor_(QStringLiteral("HeatAttributionSampler")) {
    actor_.post([this, directory = std::move(directory), now, processes = &processes] {
        core_ = std::make_unique<Core>(directory, now, *processes);
    });
}

HeatAttributionSampler::~HeatAttributionSampler() {
    actor_.post([this] { core_.reset(); });
    actor_.stop();
}

QCoro::Task<HeatAttributionSampler::Rankings> HeatAttributionSampler::sample(QDateTime now) {
    return actor_.call([this, now] { return core_->sample(now); });
}

HeatAttributionSampler::Core::Core(QString directory, const QDateTime& now, proc::ProcessTable& processes)
    : processes_(processes), files_(std::move(directory)), currentDay_(now.toLocalTime().date()) {
    dailyTotals_ = files_.load(currentDay_);
    files_.prune(now);
}

HeatAttributionSampler::Core::~Core() {
    if (isDirty_) files_.write(currentDay_, dailyTotals_);
}

HeatAttributionSampler::Rankings HeatAttributionSampler::Core::sample(const QDateTime& now) {
    rollOver(now);
    const std::vector<Entry> entries = collect();

    std::unordered_map<std::string, proc::Pid> pidByName;
    std::vector<std::pair<std::string, double>> liveSeconds;
    liveSeconds.reserve(entries.size());
    for (const Entry& entry : entries) {
        pidByName.try_emplace(entry.name, entry.pid);
        liveSeconds.emplace_back(entry.name, entry.seconds);
        dailyTotals_[entry.name] += entry.seconds;
    }
    if (!entries.empty()) isDirty_ = true;

    Rankings rankings{rankAndShare(liveSeconds),
                      rankAndShare({dailyTotals_.begin(), dailyTotals_.end()})};
    for (auto* ranking : {&rankings.live, &rankings.today}) {
        for (HeatSource& source : *ranking) {
            const auto found = pidByName.find(source.name);
            source.pid = found == pidByName.end() ? 0 : found->second;
        }
    }

    if (isDirty_ && (!lastPersistDate_ || now >= lastPersistDate_->addSecs(kPersistInterval.count()))) {
        persist(now);
    }
    return rankings;
}

std::vector<HeatAttributionSampler::Core::Entry> HeatAttributionSampler::Core::collect() {
    std::vector<Entry> result;
    std::map<proc::Pid, proc::CPUTimes> counters;
    const std::vector<proc::Pid> pids = processes_.allPids();
    for (const proc::Pid pid : pids) {
        if (pid < 1) continue;
        const auto times = processes_.cpuTimes(pid);
        if (!times) continue;
        counters[pid] = *times;

        const auto previous = lastCPUTimes_.find(pid);
        if (previous == lastCPUTimes_.end()) continue;  // first sight: nothing to compare with
        const std::uint64_t nanoseconds = increase(times->userNanoseconds, previous->second.userNanoseconds) +
                                          increase(times->systemNanoseconds, previous->second.systemNanoseconds);
        const double seconds = static_cast<double>(nanoseconds) / 1e9;
        if (!(seconds > 0)) continue;

        std::string name;
        if (const auto cached = pidNameCache_.find(pid); cached != pidNameCache_.end()) {
            name = cached->second;
        } else if (auto resolved = resolveName(pid)) {
            name = pidNameCache_.emplace(pid, std::move(*resolved)).first->second;
        } else {
            continue;
        }
        result.push_back({foldedName(std::move(name)), seconds, pid});
    }

    lastCPUTimes_ = std::move(counters);
    std::vector<proc::Pid> listed = pids;
    std::sort(listed.begin(), listed.end());
    std::erase_if(pidNameCache_, [&listed](const auto& cached) {
        return !std::binary_search(listed.begin(), listed.end(), cached.first);
    });
    return result;
}

std::optional<std::string> HeatAttributionSampler::Core::resolveName(proc::Pid pid) {
    if (const auto path = processes_.executablePath(pid)) {
        const auto slash = path->rfind('/');
        std::string last = slash == std::string::npos ? *path : path->substr(slash + 1);
        if (!last.empty()) return last;
    }
    auto name = processes_.shortName(pid);
    if (name && !name->empty()) return name;
    return std::nullopt;
}

std::string HeatAttributionSampler::foldedName(std::string name) {
    for (const std::string_view suffix : kFoldingSuffixes) {
        if (name.ends_with(suffix)) {
            name.resize(name.size() - suffix.size());
            break;
        }
    }
    return name;
}

std::vector<HeatSource> HeatAttributionSampler::rankAndShare(
    const std::vector<std::pair<std::string, double>>& seconds) {
    std::vector<HeatSource> sources;  // in first-seen order, so the stable sort keeps it among equals
    std::unordered_map<std::string, std::size_t> indexByName;
    double total = 0;
    for (const auto& [name, value] : seconds) {
        if (!(value > 0)) continue;
        const auto [found, inserted] = indexByName.try_emplace(name, sources.size());
        if (inserted) sources.push_back({name, 0, 0, 0});
        sources[found->second].cpuSeconds += value;
        total += value;
    }
    if (!(total > 0)) return {};
    std::stable_sort(sources.begin(), sources.end(),
                     [](const HeatSource& a, const HeatSource& b) { return a.cpuSeconds > b.cpuSeconds; });
    if (sources.size() > kRankingLength) sources.resize(kRankingLength);
    for (HeatSource& source : sources) source.cpuShare = source.cpuSeconds / total;
    return sources;
}

void HeatAttributionSampler::Core::rollOver(const QDateTime& now) {
    const QDate day = now.toLocalTime().date();
    if (day == currentDay_) return;
    if (isDirty_) persist(now);  // still names the day that is ending
    currentDay_ = day;
    dailyTotals_ = files_.load(currentDay_);
    isDirty_ = false;
    lastPersistDate_.reset();
    files_.prune(now);
}

void HeatAttributionSampler::Core::persist(const QDateTime& now) {
    if (!files_.write(currentDay_, dailyTotals_)) return;  // retried at the next dirty sample
    isDirty_ = false;
    lastPersistDate_ = now;
}

}  // namespace zephrane
