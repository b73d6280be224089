#include "ZephraneApp/Engine/EngineSettings.hpp"

#include <cmath>
#include <exception>
#include <string>

namespace zephrane::settings {
namespace {

// Reads stored data as JSON; none when there is no data or it is not JSON.
std::optional<Json> storedJson(const SettingsStore& store, const QString& key) {
    const auto data = store.dataValue(key);
    if (!data) return std::nullopt;
    try {
        return json::parse(std::string_view(data->constData(), static_cast<std::size_t>(data->size())));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void storeJson(SettingsStore& store, const QString& key, const Json& value) {
    std::string text;
    try {
        text = value.dump();
    } catch (const std::exception&) {
        return;  // text that is not UTF-8
    }
    store.setData(key, QByteArray::fromStdString(text));
}

// A table keyed by an enumeration: the alternating array, or an object keyed
// by the raw texts. An unknown key fails the whole value, in either form.
template <class K, class V, class DecodeValue>
std::map<K, V> decodeKeyedTable(const Json& value, DecodeValue decodeValue) {
    if (!value.is_object()) return json::decodeKeyedArray<K, V>(value, "", decodeValue);
    std::map<K, V> table;
    for (const auto& [raw, element] : value.items()) {
        const auto k = fromRawValue<K>(raw);
        if (!k)
            throw DecodingError(DecodingError::Kind::dataCorrupted, raw,
                                "Cannot initialize " + std::string(EnumCases<K>::typeName) +
                                    " from invalid String value " + raw);
        table.insert_or_assign(*k, decodeValue(element, raw));
    }
    return table;
}

// The defaults with every stored entry put over them.
template <class K, class V, class Decode>
std::map<K, V> overlaidTable(const SettingsStore& store, const QString& key, const std::map<K, V>& defaults,
                             Decode decode) {
    const auto stored = storedJson(store, key);
    if (!stored) return defaults;
    try {
        std::map<K, V> table = defaults;
        for (auto& [k, v] : decode(*stored)) table.insert_or_assign(k, std::move(v));
        return table;
    } catch (const std::exception&) {
        return defaults;
    }
}

}  // namespace

const AlertRuleTable& defaultAlertRules() {
    static const auto* table = new AlertRuleTable{
        {SensorCategory::cpu, {false, 95, false}},     {SensorCategory::gpu, {false, 95, false}},
        {SensorCategory::neuralEngine, {false, 95, false}}, {SensorCategory::memory, {false, 85, false}},
        {SensorCategory::battery, {false, 45, false}}, {SensorCategory::enclosure, {false, 50, false}},
    };
    return *table;
}

const PresetPowerCapsTable& defaultPresetPowerCaps() {
    static const auto* table = new PresetPowerCapsTable{
        {FanPreset::quiet, {0.55, 0.35}},
        {FanPreset::auto_, {1.0, 0.7}},
        {FanPreset::max, {1.0, 1.0}},
    };
    return *table;
}

bool loadBool(const SettingsStore& store, const QString& key, bool fallback) {
    return store.contains(key) ? store.boolValue(key) : fallback;
}

double loadSpoolRate(const SettingsStore& store) {
    if (!store.contains(key::spoolRate)) return defaultSpoolRate;
    const double stored = store.doubleValue(key::spoolRate);
    // NaN fails both tests below; it is no rate at all, so the slowest.
    if (!(stored > spoolRateMinimum)) return spoolRateMinimum;
    if (stored > spoolRateInstant) return spoolRateInstant;
    return stored;
}

double loadOverheatThreshold(const SettingsStore& store) {
    return store.contains(key::overheatThreshold) ? store.doubleValue(key::overheatThreshold)
                                                   : defaultOverheatThreshold;
}

int loadMinuteOfDay(const SettingsStore& store, const QString& key, int fallback) {
    if (!store.contains(key)) return fallback;
    const std::int64_t stored = store.integerValue(key);
    if (stored < 0) return 0;
    if (stored > lastMinuteOfDay) return lastMinuteOfDay;
    return static_cast<int>(stored);
}

std::optional<GlobalShortcut> loadSummonShortcut(const SettingsStore& store) {
    if (store.boolValue(key::summonShortcutCleared)) return std::nullopt;
    const auto stored = storedJson(store, key::summonShortcut);
    if (!stored) return GlobalShortcut::defaultSummon();
    try {
        return GlobalShortcut::fromJson(*stored);
    } catch (const std::exception&) {
        return GlobalShortcut::defaultSummon();
    }
}

AlertRuleTable loadAlertRules(const SettingsStore& store) {
    return overlaidTable(store, key::alertRules, defaultAlertRules(), decodeAlertRules);
}

PresetPowerCapsTable loadPresetPowerCaps(const SettingsStore& store) {
    return overlaidTable(store, key::presetPowerCaps, defaultPresetPowerCaps(), decodePresetPowerCaps);
}

std::vector<CustomMode> loadCustomModes(const SettingsStore& store) {
    const auto stored = storedJson(store, key::customModes);
    if (!stored) return {};
    try {
        return decodeCustomModes(*stored);
    } catch (const std::exception&) {
        return {};
    }
}

std::optional<Uuid> loadActiveCustomModeID(const SettingsStore& store) {
    const auto stored = store.stringValue(key::activeCustomModeID);
    if (!stored) return std::nullopt;
    return Uuid::parse(*stored);
}

void saveSummonShortcut(SettingsStore& store, const std::optional<GlobalShortcut>& shortcut) {
    if (!shortcut) {
        store.remove(key::summonShortcut);
        store.setBool(key::summonShortcutCleared, true);
        return;
    }
    storeJson(store, key::summonShortcut, shortcut->toJson());
    store.setBool(key::summonShortcutCleared, false);
}

void saveAlertRules(SettingsStore& store, const AlertRuleTable& rules) {
    try {
        storeJson(store, key::alertRules, encodeAlertRules(rules));
    } catch (const EncodingError&) {
        // A threshold that is not a number cannot be stored; the old value stays.
    }
}

void savePresetPowerCaps(SettingsStore& store, const PresetPowerCapsTable& caps) {
    try {
        storeJson(store, key::presetPowerCaps, encodePresetPowerCaps(caps));
    } catch (const EncodingError&) {
    }
}

void saveCustomModes(SettingsStore& store, const std::vector<CustomMode>& modes) {
    try {
        storeJson(store, key::customModes, encodeCustomModes(modes));
    } catch (const EncodingError&) {
    }
}

void saveActiveCustomModeID(SettingsStore& store, const std::optional<Uuid>& id) {
    if (id)
        store.setString(key::activeCustomModeID, id->uuidString());
    else
        store.remove(key::activeCustomModeID);
}

Json encodeAlertRules(const AlertRuleTable& rules) {
    return json::encodeKeyedArray(rules, "", [](const AlertRule& rule, std::string_view path) { return rule.toJson(path); });
}

AlertRuleTable decodeAlertRules(const Json& value) {
    return decodeKeyedTable<SensorCategory, AlertRule>(
        value, [](const Json& element, std::string_view path) { return AlertRule::fromJson(element, path); });
}

Json encodePresetPowerCaps(const PresetPowerCapsTable& caps) {
    return json::encodeKeyedArray(caps, "",
                                  [](const PresetPowerCaps& c, std::string_view path) { return c.toJson(path); });
}

PresetPowerCapsTable decodePresetPowerCaps(const Json& value) {
    return decodeKeyedTable<FanPreset, PresetPowerCaps>(
        value, [](const Json& element, std::string_view path) { return PresetPowerCaps::fromJson(element, path); });
}

}  // namespace zephrane::settings
