#include "platform/workspace/LinuxWorkspace.hpp"

#include <exception>
#include <utility>

#include <unistd.h>

#include "platform/workspace/ApplicationScan.hpp"

namespace zephrane::workspace {

LinuxWorkspace::LinuxWorkspace(LinuxWorkspaceOptions options)
    : options_(std::move(options)),
      user_(options_.user.value_or(static_cast<std::uint32_t>(::geteuid()))),
      identifiers_(ApplicationIdentifiers::load(options_.identifiersFile)),
      snapshot_(scan()),
      scanner_([this] { scanLoop(); }) {}

LinuxWorkspace::~LinuxWorkspace() {
    {
        const std::scoped_lock lock(wakeMutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    scanner_.join();
}

std::vector<RunningApplication> LinuxWorkspace::runningApplications() const {
    const std::scoped_lock lock(snapshotMutex_);
    return snapshot_;
}

std::vector<RunningApplication> LinuxWorkspace::scan() const {
    return scanApplications(options_.procRoot, user_, identifiers_);
}

void LinuxWorkspace::scanLoop() {
    std::unique_lock wakeLock(wakeMutex_);
    for (;;) {
        if (wake_.wait_for(wakeLock, options_.scanInterval, [this] { return stopping_; })) return;
        wakeLock.unlock();
        // Nothing may escape this thread; a pass that fails (out of memory)
        // is skipped and the next one compares against the last good scan.
        try {
            auto current = scan();
            ApplicationChanges changes;
            {
                const std::scoped_lock lock(snapshotMutex_);
                changes = diffApplications(snapshot_, current);
                snapshot_ = std::move(current);
            }
            // Posted after the snapshot moved on, so a handler that asks for
            // the running applications finds the change already there.
            for (auto& application : changes.terminated)
                center_.post({NotificationName::didTerminateApplication, std::move(application)});
            for (auto& application : changes.launched)
                center_.post({NotificationName::didLaunchApplication, std::move(application)});
        } catch (const std::exception&) {
        }
        wakeLock.lock();
    }
}

}  // namespace zephrane::workspace
