// Every preference the engine keeps: its key, its default, how it is read
// back (clamped, defaulted, or decoded from JSON) and how structured values
// are written. The engine reads each setting once, at creation, and writes
// it through on every set; these functions are that reading and writing,
// kept apart from the engine so the table can be tested on its own.
//
// Reading never fails and never removes anything: a missing key, a raw value
// that names no case or data that does not decode gives the default, and
// the bad value stays stored until the setting is next written.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include <QString>

#include "ZephraneApp/Engine/EngineTypes.hpp"
#include "ZephraneApp/Engine/SettingsStore.hpp"
#include "ZephraneApp/Model/AccentChoice.hpp"
#include "shared/ControlSource.hpp"
#include "shared/CustomMode.hpp"
#include "shared/SensorModel.hpp"
#include "shared/Uuid.hpp"

namespace zephrane::settings {

using AlertRuleTable = std::map<SensorCategory, AlertRule>;

namespace key {
inline const QString spoolRate = QStringLiteral("com.zephrane.spoolRate");
inline const QString windowBackdrop = QStringLiteral("com.zephrane.windowBackdrop");
inline const QString summonShortcut = QStringLiteral("com.zephrane.summonShortcut");
inline const QString summonShortcutCleared = QStringLiteral("com.zephrane.summonShortcutCleared");
inline const QString controlSource = QStringLiteral("com.zephrane.controlSource");
inline const QString useFahrenheit = QStringLiteral("com.zephrane.useFahrenheit");
inline const QString preciseTemperatures = QStringLiteral("com.zephrane.preciseTemperatures");
inline const QString accentChoice = QStringLiteral("com.zephrane.accentChoice");
inline const QString menuBarReadout = QStringLiteral("com.zephrane.menuBarReadout");
inline const QString showDockIcon = QStringLiteral("com.zephrane.showDockIcon");
inline const QString menuBarTempSource = QStringLiteral("com.zephrane.menuBarTempSource");
inline const QString menuBarIconAnimated = QStringLiteral("com.zephrane.menuBarIconAnimated");
inline const QString hasCompletedFirstRunSetup = QStringLiteral("com.zephrane.hasCompletedFirstRunSetup");
inline const QString overheatThreshold = QStringLiteral("com.zephrane.overheatThreshold");
inline const QString fanHealthWarningsEnabled = QStringLiteral("com.zephrane.fanHealthWarningsEnabled");
inline const QString preSpoolEnabled = QStringLiteral("com.zephrane.preSpoolEnabled");
inline const QString alertRules = QStringLiteral("com.zephrane.alertRules");
inline const QString presetPowerCaps = QStringLiteral("com.zephrane.presetPowerCaps");
inline const QString customModes = QStringLiteral("com.zephrane.customModes");
inline const QString activeCustomModeID = QStringLiteral("com.zephrane.activeCustomModeID");
inline const QString quietHoursEnabled = QStringLiteral("com.zephrane.quietHoursEnabled");
inline const QString quietHoursStart = QStringLiteral("com.zephrane.quietHoursStart");
inline const QString quietHoursEnd = QStringLiteral("com.zephrane.quietHoursEnd");
inline const QString meetingQuietEnabled = QStringLiteral("com.zephrane.meetingQuietEnabled");
inline const QString pinnedSensorKeys = QStringLiteral("com.zephrane.pinnedSensorKeys");
inline const QString showAllSensors = QStringLiteral("com.zephrane.showAllSensors");
inline const QString selectedSection = QStringLiteral("selectedSection");
}  // namespace key

// Defaults when a key is absent.
inline constexpr double defaultSpoolRate = 900.0;      // rpm per second
inline constexpr double spoolRateMinimum = 120.0;      // rpm per second
inline constexpr double spoolRateInstant = 9000.0;     // rpm per second; this and above: no ramp
inline constexpr WindowBackdrop defaultWindowBackdrop = WindowBackdrop::system;
inline constexpr ControlSource defaultControlSource = ControlSource::hottest;
inline constexpr bool defaultUseFahrenheit = false;
inline constexpr bool defaultPreciseTemperatures = true;
inline constexpr Theme::AccentChoice defaultAccentChoice = Theme::AccentChoice::system;
inline constexpr MenuBarReadout defaultMenuBarReadout = MenuBarReadout::controlTemperature;
inline constexpr bool defaultShowDockIcon = true;
inline constexpr MenuBarTempSource defaultMenuBarTempSource = MenuBarTempSource::control;
inline constexpr bool defaultMenuBarIconAnimated = true;
inline constexpr bool defaultHasCompletedFirstRunSetup = false;
inline constexpr double defaultOverheatThreshold = 90.0;  // °C
inline constexpr bool defaultFanHealthWarningsEnabled = true;
inline constexpr bool defaultPreSpoolEnabled = false;
inline constexpr bool defaultQuietHoursEnabled = false;
inline constexpr int defaultQuietHoursStart = 1320;  // minute of the day: 22:00
inline constexpr int defaultQuietHoursEnd = 480;     // 08:00
inline constexpr int lastMinuteOfDay = 1439;
inline constexpr bool defaultMeetingQuietEnabled = false;

// cpu, gpu and neural engine 95 °C, memory 85, battery 45, enclosure 50; all
// off, none boosting. Built once.
const AlertRuleTable& defaultAlertRules();
// quiet 0.55 / 0.35, auto 1.0 / 0.7, max 1.0 / 1.0 (AC / battery). Built once.
const PresetPowerCapsTable& defaultPresetPowerCaps();

// Loaders, one per setting.
bool loadBool(const SettingsStore& store, const QString& key, bool fallback);
double loadSpoolRate(const SettingsStore& store);  // clamped to 120...9000
double loadOverheatThreshold(const SettingsStore& store);  // as stored
int loadMinuteOfDay(const SettingsStore& store, const QString& key, int fallback);  // clamped to 0...1439

template <class E>
E loadEnum(const SettingsStore& store, const QString& key, E fallback) {
    const auto raw = store.stringValue(key);
    if (!raw) return fallback;
    return fromRawValue<E>(*raw).value_or(fallback);
}

std::optional<GlobalShortcut> loadSummonShortcut(const SettingsStore& store);
AlertRuleTable loadAlertRules(const SettingsStore& store);
PresetPowerCapsTable loadPresetPowerCaps(const SettingsStore& store);
std::vector<CustomMode> loadCustomModes(const SettingsStore& store);
std::optional<Uuid> loadActiveCustomModeID(const SettingsStore& store);

// Writers of the values that are not plain scalars. A value that cannot be
// encoded writes nothing and leaves the stored one in place.
template <class E>
void saveEnum(SettingsStore& store, const QString& key, E value) {
    store.setString(key, std::string(rawValue(value)));
}
void saveSummonShortcut(SettingsStore& store, const std::optional<GlobalShortcut>& shortcut);
void saveAlertRules(SettingsStore& store, const AlertRuleTable& rules);
void savePresetPowerCaps(SettingsStore& store, const PresetPowerCapsTable& caps);
void saveCustomModes(SettingsStore& store, const std::vector<CustomMode>& modes);
void saveActiveCustomModeID(SettingsStore& store, const std::optional<Uuid>& id);

// The stored JSON forms of the two enumeration-keyed tables: one array
// alternating each key's raw text and its value. Decoding also takes an
// object keyed by the raw texts. Throws DecodingError.
Json encodeAlertRules(const AlertRuleTable& rules);
AlertRuleTable decodeAlertRules(const Json& value);
Json encodePresetPowerCaps(const PresetPowerCapsTable& caps);
PresetPowerCapsTable decodePresetPowerCaps(const Json& value);

}  // namespace zephrane::settings
