#include "platform/workspace/ApplicationScan.hpp"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <unordered_set>

#include <sys/stat.h>

#include "platform/proc/LinuxProcessTable.hpp"

namespace zephrane::workspace {
namespace {

std::unordered_set<std::string_view> pathsOf(const std::vector<RunningApplication>& applications) {
    std::unordered_set<std::string_view> paths;
    paths.reserve(applications.size());
    for (const auto& application : applications) paths.insert(application.executablePath);
    return paths;
}

}  // namespace

std::vector<RunningApplication> scanApplications(const std::string& procRoot, std::uint32_t user,
                                                 const ApplicationIdentifiers& identifiers) {
    proc::LinuxProcessTable table(procRoot);
    auto pids = table.allPids();
    // Directory order is the kernel's business; ascending ids put long-lived
    // applications first and keep the order stable from scan to scan.
    std::sort(pids.begin(), pids.end());

    std::vector<RunningApplication> applications;
    std::unordered_set<std::string> seen;
    for (const proc::Pid pid : pids) {
        struct stat entry {};
        const std::string entryPath = procRoot + "/" + std::to_string(pid);
        if (::stat(entryPath.c_str(), &entry) != 0 || entry.st_uid != user) continue;
        auto path = table.executablePath(pid);
        if (!path || !seen.insert(*path).second) continue;
        auto identifier = identifiers.identifier(std::filesystem::path(*path).filename().native());
        applications.push_back({std::move(*path), std::move(identifier)});
    }
    return applications;
}

ApplicationChanges diffApplications(const std::vector<RunningApplication>& before,
                                    const std::vector<RunningApplication>& after) {
    const auto beforePaths = pathsOf(before);
    const auto afterPaths = pathsOf(after);
    ApplicationChanges changes;
    for (const auto& application : after)
        if (!beforePaths.contains(application.executablePath)) changes.launched.push_back(application);
    for (const auto& application : before)
        if (!afterPaths.contains(application.executablePath)) changes.terminated.push_back(application);
    return changes;
}

}  // namespace zephrane::workspace
