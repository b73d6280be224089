#include "shared/SensorClassifier.hpp"

#include <unordered_map>

namespace zephrane {
namespace {

using FamilyTable = std::unordered_map<std::string_view, std::string_view>;

// Looked up by exact, case-sensitive prefix: "Tg" and "TG" are both GPU
// families, while "tg" is nothing.
const FamilyTable& temperatureFamilies() {
    static const FamilyTable table{
        {"Tp", "P-Core"},  {"Te", "E-Core"},    {"Tg", "GPU"},        {"TG", "GPU"},
        {"Tm", "Memory"},  {"TM", "Memory"},    {"TB", "Battery"},    {"Tb", "Battery"},
        {"TA", "Ambient"}, {"Ta", "Ambient"},   {"Ts", "Enclosure"},  {"TS", "Enclosure"},
        {"Tf", "SoC Fabric"}, {"Tne", "Neural Engine"}, {"TC", "CPU"}, {"TH", "Storage"},
    };
    return table;
}

SensorClass classIfFloat(SMCDataType type, SensorClass sensorClass) {
    return type.kind() == SMCDataType::Kind::flt ? sensorClass : SensorClass::other;
}

}  // namespace

SensorClassifier::Classification SensorClassifier::classify(std::string_view key, SMCDataType type,
                                                            std::optional<double> sample) {
    if (key.empty()) return {SensorClass::other, std::string()};
    switch (key.front()) {
        case 'T': {
            bool temperatureType = type.kind() == SMCDataType::Kind::sp78 || type.kind() == SMCDataType::Kind::flt;
            bool plausible = sample && plausibleTemperatureRange.contains(*sample);
            return {temperatureType && plausible ? SensorClass::temperature : SensorClass::other,
                    temperatureName(key)};
        }
        case 'P': return {classIfFloat(type, SensorClass::power), std::string(key)};
        case 'V': return {classIfFloat(type, SensorClass::voltage), std::string(key)};
        case 'I': return {classIfFloat(type, SensorClass::current), std::string(key)};
        // Only the actual-speed keys ("F" + index + "Ac") are fans; the
        // minimum, maximum, target and count keys are not readings.
        case 'F': return {key.back() == 'c' ? SensorClass::fan : SensorClass::other, std::string(key)};
        default: return {SensorClass::other, std::string(key)};
    }
}

std::string SensorClassifier::temperatureName(std::string_view key) {
    const FamilyTable& families = temperatureFamilies();
    // The three-character prefix goes first so "Tne" is not taken for a "Tn" family.
    for (std::size_t prefixLength : {std::size_t{3}, std::size_t{2}}) {
        if (key.size() <= prefixLength) continue;
        auto match = families.find(key.substr(0, prefixLength));
        if (match == families.end()) continue;
        std::string_view rest = key.substr(prefixLength);
        std::size_t firstNonZero = rest.find_first_not_of('0');
        rest = firstNonZero == std::string_view::npos ? std::string_view() : rest.substr(firstNonZero);
        std::string name(match->second);
        if (!rest.empty()) name.append(" ").append(rest);
        return name;
    }
    return std::string(key);
}

}  // namespace zephrane
