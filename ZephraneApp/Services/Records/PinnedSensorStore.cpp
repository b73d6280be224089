#include "ZephraneApp/Services/Records/PinnedSensorStore.hpp"

#include <utility>

#include <QByteArray>
#include <QSettings>
#include <QVariant>

#include <nlohmann/json.hpp>

namespace zephrane {

PinnedSensorStore::PinnedSensorStore(QSettings& settings, QString storageKey)
    : settings_(&settings), storageKey_(std::move(storageKey)) {}

std::set<std::string> PinnedSensorStore::load() const {
    const QVariant stored = settings_->value(storageKey_);
    if (stored.typeId() != QMetaType::QByteArray) return {};
    const QByteArray data = stored.toByteArray();

    const auto json = nlohmann::json::parse(data.cbegin(), data.cend(), nullptr, /*allow_exceptions=*/false);
    if (!json.is_array()) return {};
    std::set<std::string> keys;
    for (const auto& element : json) {
        if (!element.is_string()) return {};
        keys.insert(element.get<std::string>());
    }
    return keys;
}

void PinnedSensorStore::save(const std::set<std::string>& keys) {
    std::string text;
    try {
        text = nlohmann::json(keys).dump();
    } catch (const nlohmann::json::exception&) {
        return;  // invalid UTF-8 in a key
    }
    settings_->setValue(storageKey_, QByteArray::fromStdString(text));
}

}  // namespace zephrane
