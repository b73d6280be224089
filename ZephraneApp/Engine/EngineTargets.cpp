// Fan speeds: the manual step and the profile step of a tick each decide a
// list of (fan, rpm) targets, and writeTargets() ramps them at the spool
// rate, skips what the hardware already has and sends the rest through the
// daemon. Also the restore of automatic control and the throttled
// daemon-state refresh the write path asks for when the link fails.
#include <cmath>
#include <exception>
#include <limits>
#include <string>

#include "ZephraneApp/Engine/EngineTasks.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"
#include "shared/Clamping.hpp"
#include "shared/SlewLimiter.hpp"

namespace zephrane {

using engine::engineLog;
using engine::TaskInFlight;
using namespace std::chrono_literals;

namespace {

constexpr auto kTickRefreshInterval = 2s;
constexpr double kUnchangedTargetTolerance = 1.0;  // rpm

constexpr std::string_view kWriteFailed = "write failed: ";
constexpr std::string_view kRestoreFailed = "restore failed: ";
constexpr std::string_view kWriteTimedOut = "write failed: fan-control helper timed out";

bool boundsInOrder(const FanStatus& fan) { return fan.minRPM <= fan.maxRPM; }

}  // namespace

bool ZephraneEngine::linkGateAllowsWrites() {
    if (isHelperInstallInFlight_ || isHelperUninstallInFlight_) return false;
    if (helperState_.kind() != HelperState::Kind::connected) {
        requestTickHelperRefresh();
        return false;
    }
    return true;
}

QCoro::Task<void> ZephraneEngine::applyManualTargets() {
    TaskInFlight counted;
    if (!linkGateAllowsWrites()) co_return;
    co_await writeTargets(TargetList(manualFanTargets_.begin(), manualFanTargets_.end()));
}

QCoro::Task<void> ZephraneEngine::runControlStep(FanProfile profile, std::vector<FanStatus> polledFans) {
    TaskInFlight counted;
    if (!linkGateAllowsWrites()) co_return;

    switch (profile.mode) {
        case ControlMode::appleAuto: {
            const bool anyManaged =
                std::any_of(polledFans.begin(), polledFans.end(), [](const FanStatus& fan) { return fan.isManaged; });
            if (isControlling_ || anyManaged) co_await restoreAutomaticControl();
            co_return;
        }
        case ControlMode::constantRPM: {
            TargetList targets;
            for (const auto& fan : polledFans)
                if (fan.id >= 0 && fan.id <= std::numeric_limits<int>::max())
                    targets.emplace_back(static_cast<int>(fan.id), static_cast<double>(profile.constantTargetRPM));
            co_await writeTargets(std::move(targets));
            co_return;
        }
        case ControlMode::adaptiveCurve:
            break;
    }

    ControlPipeline pipeline = pipeline_ ? *pipeline_ : makeControlPipeline(profile);
    pipeline.proactiveFloor = currentProactiveFloor();
    const auto mode = activeCustomMode();
    pipeline.fixedOverride = mode && mode->speed().kind() == ModeSpeed::Case::fixed
                                 ? std::optional<double>(mode->speed().percentage())
                                 : std::nullopt;
    const double fraction = clampToUnit(pipeline.targetPercentage(controlTemperature_));
    pipeline_ = pipeline;

    TargetList targets;
    for (const auto& fan : polledFans) {
        if (fan.id < 0 || fan.id > std::numeric_limits<int>::max()) continue;
        const int id = static_cast<int>(fan.id);
        // A range upside down (or not a number) maps no fraction to a speed;
        // the fan gets no target this tick.
        if (!boundsInOrder(fan)) continue;
        const double rpm = clampKeepingNaN(fan.minRPM + fraction * (fan.maxRPM - fan.minRPM), fan.minRPM, fan.maxRPM);
        TargetDeadband& deadband = deadbands_[id];
        targets.emplace_back(id, deadband.commit(rpm));
    }
    co_await writeTargets(std::move(targets));
}

QCoro::Task<void> ZephraneEngine::writeTargets(TargetList targets) {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    auto driver = driver_;
    bool failed = false;
    for (const auto& [fan, rpm] : targets) {
        // Checked before every fan: the link may have gone while the
        // previous write was out.
        if (isHelperInstallInFlight_ || isHelperUninstallInFlight_ ||
            helperState_.kind() != HelperState::Kind::connected)
            co_return;
        if (const auto known = fans_.find(fan); known != fans_.end() && !boundsInOrder(known->second)) {
            if (fansWithBoundsOutOfOrder_.insert(fan).second)
                engineLog().error("fan " + std::to_string(fan) + " reports its bounds out of order; not writing it");
            continue;
        }
        fansWithBoundsOutOfOrder_.erase(fan);

        const double ramped = rampTarget(fan, rpm);
        if (shouldSkipUnchangedWrite(fan, ramped)) continue;
        // A failed write leaves the ramp where this step put it, table or
        // no table: the next step goes on from there.
        try {
            const double written = co_await driver->setTargetRPM(fan, ramped);
            if (alive.expired()) co_return;
            rampedTargets_[fan] = written;
            isControlling_ = true;
        } catch (const SMCDriverActor::DriverError& e) {
            if (alive.expired()) co_return;
            if (e.kind() == SMCDriverActor::DriverError::Kind::timedOut) {
                setLastError(std::string(kWriteTimedOut));
                requestTickHelperRefresh();
                co_return;
            }
            setLastError(std::string(kWriteFailed) + e.what());
            failed = true;
        } catch (const std::exception& e) {
            if (alive.expired()) co_return;
            setLastError(std::string(kWriteFailed) + e.what());
            failed = true;
        }
    }
    if (failed)
        requestTickHelperRefresh();
    else
        clearStaleControlError();
}

// A fan out of the table has no range to hold its ramp to: each failed
// write leaves it a step further toward the goal as asked (a manual target
// is stored as given, Max's is the largest integer), however far that is.
// Once the table brings the fan's range, new or changed, its ramp starts
// from within it, or it would walk back at the spool rate for as long as it
// ran away.
void ZephraneEngine::holdRampsToNewRanges(const FanTable& previous) {
    for (const auto& [id, fan] : fans_) {
        const auto was = previous.find(id);
        if (was != previous.end() && was->second.minRPM == fan.minRPM && was->second.maxRPM == fan.maxRPM) continue;
        const auto ramped = rampedTargets_.find(id);
        if (ramped == rampedTargets_.end() || !boundsInOrder(fan)) continue;
        ramped->second = clampKeepingNaN(ramped->second, fan.minRPM, fan.maxRPM);
    }
}

void ZephraneEngine::clearStaleControlError() {
    if (lastError_ && (lastError_->starts_with("write failed") || lastError_->starts_with("restore failed")))
        setLastError(std::nullopt);
}

bool ZephraneEngine::shouldSkipUnchangedWrite(int fan, double ramped) const {
    if (!isControlling_) return false;
    const auto known = fans_.find(fan);
    if (known == fans_.end() || !known->second.isManaged) return false;
    return std::fabs(known->second.targetRPM - ramped) < kUnchangedTargetTolerance;
}

double ZephraneEngine::rampTarget(int fan, double target) {
    const auto known = fans_.find(fan);
    // A goal beyond the fan's range could never be reached, and a ramp
    // toward it would never settle (the driver clamps every step), so the
    // goal itself is kept within the range.
    double goal = target;
    if (known != fans_.end() && boundsInOrder(known->second))
        goal = clampKeepingNaN(goal, known->second.minRPM, known->second.maxRPM);

    const double rate =
        spoolRate_ >= spoolRateInstant ? std::numeric_limits<double>::infinity() : spoolRate_;
    if (!(std::isfinite(rate) && rate > 0)) {
        rampedTargets_[fan] = goal;
        return goal;
    }
    double current = goal;
    if (const auto ramped = rampedTargets_.find(fan); ramped != rampedTargets_.end())
        current = ramped->second;
    else if (known != fans_.end())
        current = known->second.currentRPM;
    const double next = SlewLimiter{rate}.step(current, goal, rampStepSeconds);
    rampedTargets_[fan] = next;
    return next;
}

ControlPipeline ZephraneEngine::makeControlPipeline(const FanProfile& profile) const {
    FanCurve curve = profile.curvePoints.size() >= 2 ? FanCurve(profile.curvePoints) : defaultCurve();
    const auto mode = activeCustomMode();
    std::optional<double> fixed;
    if (mode && mode->speed().kind() == ModeSpeed::Case::fixed) fixed = mode->speed().percentage();
    return ControlPipeline(std::move(curve), EMAFilter(clampKeepingNaN(acousticAlpha_, 0.05, 1.0)),
                           currentProactiveFloor(), fixed);
}

double ZephraneEngine::currentProactiveFloor() const {
    const double preSpool = preSpoolFloor(thermalTrend_, preSpoolEnabled_);
    const auto mode = activeCustomMode();
    const double modeFloor =
        mode && mode->speed().kind() == ModeSpeed::Case::floor ? mode->speed().percentage() : 0.0;
    const double floor = std::max({workload_.currentBoost(), clamshellBoost_, preSpool, modeFloor});
    return clampToUnit(floor);
}

QCoro::Task<bool> ZephraneEngine::restoreAutomaticControl() {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    auto driver = driver_;
    try {
        co_await driver->restoreAutomaticControl();
    } catch (const std::exception& e) {
        if (alive.expired()) co_return false;
        setLastError(std::string(kRestoreFailed) + e.what());
        co_return false;
    }
    if (alive.expired()) co_return false;
    isControlling_ = false;
    rampedTargets_.clear();
    // The fans are the firmware's again: an earlier failure no longer holds.
    clearStaleControlError();
    co_return true;
}

void ZephraneEngine::requestTickHelperRefresh() {
    if (isTickRefreshInFlight_ || isHelperInstallInFlight_) return;
    const Instant now = clock_->continuousNow();
    if (lastHelperTickRefresh_ && now - *lastHelperTickRefresh_ < kTickRefreshInterval) return;
    lastHelperTickRefresh_ = now;
    isTickRefreshInFlight_ = true;
    refreshHelperState(bumpHelperStateGeneration(), true);
}

}  // namespace zephrane
