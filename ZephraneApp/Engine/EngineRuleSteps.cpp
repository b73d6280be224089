// The steps through which the rules that drive the fans plug into the
// engine: power and battery, quiet hours and meeting quiet, the dust cycle,
// alert rules, fan health, the menu-bar label, the daemon's life cycle and
// the preset caps. The tick and the setters call each one where it belongs;
// until its rule is built, each does nothing.
#include "ZephraneApp/Engine/ZephraneEngine.hpp"

namespace zephrane {

void ZephraneEngine::evaluateFanHealth(const std::vector<FanStatus>&) {}

void ZephraneEngine::refreshMenuBarLabel() {}

void ZephraneEngine::handleHelperConnectionLoss() {}

void ZephraneEngine::beginHelperVersionProbe() {}

}  // namespace zephrane
