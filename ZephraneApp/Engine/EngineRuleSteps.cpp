// The steps through which the rules that drive the fans plug into the
// engine: power and battery, quiet hours and meeting quiet, the dust cycle,
// alert rules, fan health, the menu-bar label, the daemon's life cycle and
// the preset caps. The tick and the setters call each one where it belongs;
// until its rule is built, each does nothing.
#include "ZephraneApp/Engine/ZephraneEngine.hpp"

namespace zephrane {

void ZephraneEngine::setClamshell(bool) {}

void ZephraneEngine::updatePowerTelemetry(const PowerTelemetry&) {}

void ZephraneEngine::evaluateQuietHours(std::chrono::system_clock::time_point) {}

void ZephraneEngine::evaluateMeetingQuiet(bool) {}

QCoro::Task<void> ZephraneEngine::runDustCycleStep() { co_return; }

void ZephraneEngine::evaluateAlertRules(const SensorRefs&) {}

void ZephraneEngine::reapplyActivePresetForNewCaps() {}

}  // namespace zephrane
