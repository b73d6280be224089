// The sensors the user pinned to the top of the sensor lists, kept across
// launches in the app's settings as one JSON array of SMC keys.
#pragma once

#include <set>
#include <string>

#include <QString>

class QSettings;

namespace zephrane {

class PinnedSensorStore {
public:
    // Remembers where to read and write; reads nothing yet. `settings` must
    // outlive the store.
    PinnedSensorStore(QSettings& settings, QString storageKey);

    // The pinned keys; empty when nothing is stored or the stored value is
    // not a JSON array of strings (that value stays until the next save).
    std::set<std::string> load() const;

    // Replaces the stored value with `keys`. Keys that cannot be written as
    // JSON (text that is not UTF-8) leave the stored value as it was.
    void save(const std::set<std::string>& keys);

private:
    QSettings* settings_;
    QString storageKey_;
};

}  // namespace zephrane
