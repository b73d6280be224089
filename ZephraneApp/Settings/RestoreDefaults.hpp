// "Restore Defaults": every setting of the form back to the engine's
// default, one setter at a time in a fixed order, each through the face so
// the engine stores it and runs its own change action (the smoothing
// rebuilds the control pipeline, the Dock icon comes back). Custom modes,
// the first-run flag, pinned sensors, the sensor list's filter, the
// selected section, the login item and the update settings stay as they
// are. The summon shortcut is set to the default chord, not cleared.
#pragma once

namespace zephrane::face {
class EngineFace;
}

namespace zephrane::settingsview {

void restoreDefaults(face::EngineFace& face);

}  // namespace zephrane::settingsview
