#include "platform/servicemanagement/launchd/Launchd.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <system_error>

#include "platform/servicemanagement/launchd/DaemonLauncher.hpp"
#include "platform/xpc/ServiceAddress.hpp"
#include "shared/DebugText.hpp"

namespace zephrane::servicemanagement {

Launchd::Launchd(asio::io_context& io, LaunchdOptions options)
    : io_(io),
      options_(std::move(options)),
      store_(options_.systemRoot),
      policy_(TrustPolicy::forSystemRoot(options_.systemRoot)),
      log_(oslog::logger("com.zephrane.servicemanagement", "launchd")),
      signals_(io, SIGTERM, SIGINT),
      pollTimer_(io) {}

int Launchd::run() {
    signals_.async_wait([this](const std::error_code& error, int number) {
        if (!error) shutDown(number);
    });
    prepareDirectories();
    log_.info("zephrane-launchd started (system root " + quotedDebugText(options_.systemRoot.string()) +
              ", sockets in " + quotedDebugText(options_.socketDirectory) + ")");
    reconcile();
    schedulePoll();
    io_.run();
    log_.info("zephrane-launchd stopped");
    return 0;
}

void Launchd::prepareDirectories() {
    // Failures here are survivable: the registrations directory may be made
    // later by an administrator, and a socket directory we cannot create
    // shows up as a job that cannot open.
    std::error_code error;
    const auto registrations = store_.registrationsDirectory();
    if (!std::filesystem::exists(registrations, error)) {
        std::filesystem::create_directories(registrations, error);
        if (!error && ::chmod(registrations.c_str(), 01777) != 0) error.assign(errno, std::generic_category());
        if (error)
            log_.error("cannot create " + quotedDebugText(registrations.string()) + ": " + error.message() +
                       ", ignoring");
    }
    if (!std::filesystem::exists(options_.socketDirectory, error)) {
        std::filesystem::create_directories(options_.socketDirectory, error);
        if (error)
            log_.error("cannot create " + quotedDebugText(options_.socketDirectory) + ": " + error.message() +
                       ", ignoring");
    }
}

void Launchd::schedulePoll() {
    pollTimer_.expires_after(options_.pollInterval);
    pollTimer_.async_wait([this](const std::error_code& error) {
        if (error || shuttingDown_) return;
        reconcile();
        schedulePoll();
    });
}

void Launchd::complain(const std::string& label, const std::string& complaint, oslog::Level level) {
    auto& last = complaints_[label];
    if (last == complaint) return;
    last = complaint;
    if (!complaint.empty()) log_.log(level, complaint);
}

std::map<std::string, JobDefinition> Launchd::desiredJobs() {
    std::map<std::string, JobDefinition> desired;
    for (const auto& label : store_.labels()) {
        const auto registration = store_.registration(label);
        const auto approval = store_.approval(label, policy_);
        if (!registration) {
            complain(label, "");
            continue;
        }
        if (!approval) {
            // The normal state between registration and approval.
            complain(label, quotedDebugText(label) + " is registered but not approved, ignoring", oslog::Level::info);
            continue;
        }
        if (!approves(*approval, *registration)) {
            complain(label, quotedDebugText(label) + " is registered for " + quotedDebugText(registration->program) +
                                " but approved for " + quotedDebugText(approval->program) + ", ignoring");
            continue;
        }
        if (auto reason = untrustedProgramReason(registration->program, policy_)) {
            complain(label, quotedDebugText(label) + ": will not run " + quotedDebugText(registration->program) +
                                ": " + *reason + ", ignoring");
            continue;
        }
        complain(label, "");
        desired[label] = {label, registration->program, registration->machServices, registration->registrationID};
    }
    return desired;
}

void Launchd::reconcile() {
    if (shuttingDown_) return;
    const auto desired = desiredJobs();
    std::vector<std::string> stale;
    for (const auto& [label, job] : jobs_) {
        const auto wanted = desired.find(label);
        if (wanted == desired.end() || wanted->second != job->definition() || job->failed()) stale.push_back(label);
    }
    for (const auto& label : stale) retire(label);

    const std::vector<std::string> environment =
        daemonEnvironment({std::string(xpc::kDirectoryVariable) + "=" + options_.socketDirectory});
    for (const auto& [label, definition] : desired) {
        if (jobs_.contains(label)) continue;
        // The predecessor still holds the socket path until its daemon is gone.
        const bool predecessorLeaving = std::any_of(retiring_.begin(), retiring_.end(), [&](const auto& job) {
            return job->definition().label == label;
        });
        if (predecessorLeaving) continue;
        JobSettings settings{options_.socketDirectory, policy_, options_.stopGrace, options_.throttle, environment};
        auto job = std::make_shared<DaemonJob>(io_.get_executor(), definition, std::move(settings), log_);
        try {
            job->open();
        } catch (const std::exception& e) {
            complain(label, quotedDebugText(label) + ": cannot listen: " + e.what() + ", ignoring");
            continue;
        }
        jobs_[label] = std::move(job);
    }
}

void Launchd::retire(const std::string& label) {
    auto found = jobs_.find(label);
    if (found == jobs_.end()) return;
    auto job = std::move(found->second);
    jobs_.erase(found);
    retiring_.push_back(job);
    DaemonJob* raw = job.get();
    job->retire([this, raw] {
        std::erase_if(retiring_, [raw](const auto& candidate) { return candidate.get() == raw; });
        if (shuttingDown_ && retiring_.empty()) io_.stop();
    });
}

void Launchd::shutDown(int signal) {
    if (shuttingDown_) return;
    shuttingDown_ = true;
    log_.info("received signal " + std::to_string(signal) + " \u2014 stopping daemons and exiting");
    pollTimer_.cancel();
    std::vector<std::string> labels;
    for (const auto& [label, job] : jobs_) labels.push_back(label);
    for (const auto& label : labels) retire(label);
    if (retiring_.empty()) io_.stop();
}

}  // namespace zephrane::servicemanagement
