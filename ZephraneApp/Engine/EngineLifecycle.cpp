// The daemon's life cycle as the user sees it: refreshing its state, acting
// on a lost link, asking a newly connected daemon for its build version
// (and relaunching it once when that differs from ours), installing it,
// repairing an older installation, uninstalling it and taking the user to
// its approval.
//
// Every operation that asks for a daemon state takes a new generation
// first; a result that comes back after a newer one was asked for is
// dropped. While an install runs, the other operations stand aside.
#include <exception>
#include <string>

#include "ZephraneApp/Model/DisplayText.hpp"
#include "ZephraneApp/Engine/EngineTasks.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "shared/HelperConstants.hpp"

namespace zephrane {

using engine::attempt;
using engine::engineLog;
using engine::TaskInFlight;
using namespace std::chrono_literals;

namespace {

constexpr auto kConnectionLossSpacing = 2s;

constexpr std::string_view kLegacyInstallIssue =
    "An older fan-control helper is still installed. Repair helper setup to replace it with Brumalune\u2019s "
    "managed helper.";
constexpr std::string_view kLocationIssue =
    "Brumalune is running from a temporary or externally mounted location. Move it to Applications, reopen it "
    "there, then install the fan-control helper again.";
constexpr std::string_view kIncompleteCopyIssue =
    "This copy of Brumalune does not contain a complete fan-control helper. Download a fresh copy, move it to "
    "Applications, and try again.";
constexpr std::string_view kUnconfirmedRestore =
    "Brumalune could not confirm Apple automatic fan control before the cleanup prompt: ";

}  // namespace

QString ZephraneEngine::helperInstallIssueText() const {
    return helperInstallIssue_ ? QString::fromStdString(*helperInstallIssue_) : QString();
}

QString ZephraneEngine::controlSourceCaption() const {
    return QString::fromStdString(makeControlSourceCaption(isAutoBoostEngaged_, meetingQuietActive_, activePreset_,
                                                           !manualFanTargets_.empty(), activeProfile_));
}

void ZephraneEngine::setIsHelperInstallInFlight(bool inFlight) {
    publish(isHelperInstallInFlight_, inFlight, &ZephraneEngine::isHelperInstallInFlightChanged);
}

void ZephraneEngine::setLegacyHelperRepairPending(bool pending) {
    publish(legacyHelperRepairPending_, pending, &ZephraneEngine::legacyHelperRepairPendingChanged);
}

// MARK: - Refresh and connection loss

void ZephraneEngine::refreshHelperState() {
    if (isHelperInstallInFlight_) return;
    refreshHelperState(bumpHelperStateGeneration(), false);
}

void ZephraneEngine::handleHelperConnectionLoss() {
    if (isHelperInstallInFlight_) return;
    const Instant now = clock_->continuousNow();
    if (lastConnectionLossHandled_ && now - *lastConnectionLossHandled_ < kConnectionLossSpacing) return;
    lastConnectionLossHandled_ = now;
    engineLog().info("helper XPC connection lost \u2014 refreshing helper state");
    refreshHelperState(bumpHelperStateGeneration(), false);
}

// MARK: - Version probe

void ZephraneEngine::beginHelperVersionProbe() {
    helperVersionChecked_ = true;
    runHelperVersionProbe(alive_);
}

QCoro::Task<void> ZephraneEngine::runHelperVersionProbe(std::weak_ptr<Liveness> alive) {
    TaskInFlight counted;
    if (alive.expired()) co_return;
    // An older installation answers on the same service name: what it
    // reports says nothing about ours, and only the user's repair replaces it.
    if (installer_->isLegacyInstallPresent()) {
        setLegacyHelperRepairPending(true);
        setHelperInstallIssue(std::string(kLegacyInstallIssue));
        engineLog().info("legacy helper installation detected \u2014 waiting for explicit repair approval");
        co_return;
    }
    auto driver = driver_;
    std::optional<std::string> version;
    try {
        version = co_await driver->helperVersion();
    } catch (const std::exception&) {
    }
    if (alive.expired()) co_return;
    if (!version) {
        helperVersionChecked_ = false;
        engineLog().info("helper version probe failed \u2014 will retry on the next connect");
        co_return;
    }
    if (helperBounceAttempted_ || *version == helperBuildVersion) co_return;
    helperBounceAttempted_ = true;
    engineLog().info("resident helper " + *version + " \u2260 app " + std::string(helperBuildVersion) +
                     " \u2014 relaunching daemon to load the updated binary");
    co_await attempt(driver->reloadHelper(), "helper relaunch failed: ");
    if (alive.expired()) co_return;
    if (!isHelperInstallInFlight_) refreshHelperState(bumpHelperStateGeneration(), false);
}

// MARK: - Install and repair

void ZephraneEngine::installHelper() {
    if (isHelperInstallInFlight_) return;
    setIsHelperInstallInFlight(true);
    setHelperInstallIssue(std::nullopt);
    const std::int64_t generation = bumpHelperStateGeneration();
    const bool legacyPresent = installer_->isLegacyInstallPresent();
    setLegacyHelperRepairPending(legacyPresent);

    if (const auto problem = installer_->preflight()) {
        setHelperInstallIssue(std::string(problem->kind == HelperInstallPreflight::Problem::Kind::unsupportedLocation
                                              ? kLocationIssue
                                              : kIncompleteCopyIssue));
        // A settled daemon needs no install: applying its state again clears
        // the text, unless an older installation still waits for repair.
        applyHelperState(helperState_, generation);
        setIsHelperInstallInFlight(false);
        return;
    }
    runHelperInstall(generation, legacyPresent);
}

QCoro::Task<void> ZephraneEngine::runHelperInstall(std::int64_t generation, bool legacyPresent) {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    auto driver = driver_;
    auto installer = installer_;

    if (legacyPresent) {
        // The fans go back to the firmware before the older daemon, which
        // may be the one holding them, is removed.
        std::optional<std::string> restoreIssue;
        bool restore = isControlling_ || helperState_.kind() == HelperState::Kind::connected;
        if (!restore) {
            const auto linked = co_await attempt(driver->hasConnection(), "helper link not examined: ");
            if (alive.expired()) co_return;
            restore = linked.value_or(false);
        }
        if (restore) {
            try {
                co_await driver->restoreAutomaticControl();
            } catch (const std::exception& e) {
                restoreIssue = std::string(kUnconfirmedRestore) + e.what() + ".";
                engineLog().error(std::string("legacy helper pre-cleanup restore failed: ") + e.what());
            }
            if (alive.expired()) co_return;
        }
        co_await attempt(driver->tearDownConnection(), "helper link not torn down: ");
        if (alive.expired()) co_return;
        isControlling_ = false;
        rampedTargets_.clear();

        std::optional<std::string> removalError;
        try {
            co_await installer->removeLegacyHelper();
        } catch (const std::exception& e) {
            removalError = e.what();
        }
        if (alive.expired()) co_return;
        if (removalError) {
            const auto state = co_await attempt(driver->connect(), "daemon state refresh failed: ");
            if (alive.expired()) co_return;
            if (generation == helperStateGeneration_) {
                setHelperInstallIssue(restoreIssue ? *restoreIssue + " " + *removalError : *removalError);
                if (state) applyHelperState(*state, generation);
            }
            setIsHelperInstallInFlight(false);
            co_return;
        }
        setLegacyHelperRepairPending(false);
    }

    const auto state = co_await attempt(driver->installHelper(), "helper install failed: ");
    if (alive.expired()) co_return;
    bool applied = false;
    if (state && generation == helperStateGeneration_) {
        setHelperInstallIssue(state->kind() == HelperState::Kind::unavailable ? OptionalText(state->reason())
                                                                               : std::nullopt);
        applied = applyHelperState(*state, generation);
    }
    if (applied && state->kind() == HelperState::Kind::requiresApproval) {
        co_await attempt(driver->openApprovalSettings(), "helper approval not opened: ");
        if (alive.expired()) co_return;
    }
    setIsHelperInstallInFlight(false);
}

// MARK: - Uninstall and approval

void ZephraneEngine::uninstallHelper() {
    if (isHelperInstallInFlight_ || isHelperUninstallInFlight_) return;
    setHelperInstallIssue(std::nullopt);
    // From here until the daemon is unregistered no tick writes a fan: a
    // write between the restore and the unregister would take manual control
    // back from the firmware.
    isHelperUninstallInFlight_ = true;
    runHelperUninstall(bumpHelperStateGeneration());
}

QCoro::Task<void> ZephraneEngine::runHelperUninstall(std::int64_t generation) {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    auto driver = driver_;
    if (isControlling_) {
        co_await restoreAutomaticControl();
        if (alive.expired()) co_return;
    }
    const auto state = co_await attempt(driver->uninstallHelper(), "helper uninstall failed: ");
    if (alive.expired()) co_return;
    if (state) applyHelperState(*state, generation);
    isHelperUninstallInFlight_ = false;
}

void ZephraneEngine::openHelperApproval() { runOpenHelperApproval(); }

QCoro::Task<void> ZephraneEngine::runOpenHelperApproval() {
    TaskInFlight counted;
    auto driver = driver_;
    co_await attempt(driver->openApprovalSettings(), "helper approval not opened: ");
}

}  // namespace zephrane
