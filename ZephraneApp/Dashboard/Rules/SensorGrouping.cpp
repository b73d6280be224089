#include "ZephraneApp/Dashboard/Rules/SensorGrouping.hpp"

namespace zephrane::dashboard {
namespace detail {

bool containsLowered(const std::string& text, const QString& lowerQuery) {
    return QString::fromStdString(text).toLower().contains(lowerQuery);
}

}  // namespace detail

bool isSearching(const QString& query) { return !query.trimmed().isEmpty(); }

std::string groupTitle(SensorGroupKind kind) {
    switch (kind) {
        case SensorGroupKind::pinned: return "Pinned";
        case SensorGroupKind::temperature: return "Temperature";
        case SensorGroupKind::power: return "Power";
        case SensorGroupKind::voltage: return "Voltage";
        case SensorGroupKind::current: return "Current";
        case SensorGroupKind::fans: return "Fans";
    }
    return "";
}

std::string essentialsCountText(std::size_t readings, bool fahrenheit) {
    return std::to_string(readings) + " key readings \u00B7 " + (fahrenheit ? "\u00B0F" : "\u00B0C");
}

std::string groupedCountText(std::size_t shown, std::size_t total) {
    return std::to_string(shown) + " of " + std::to_string(total);
}

std::string noSensorsDescription(bool smcAvailable) {
    return smcAvailable ? "Discovery hasn't finished yet." : "Couldn't open the SMC.";
}

std::string noResultsTitle(const QString& query) {
    if (query.isEmpty()) return "No Results";
    return "No Results for \u201C" + query.toStdString() + "\u201D";
}

}  // namespace zephrane::dashboard
