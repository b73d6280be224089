#include "ZephraneApp/Engine/SettingsStore.hpp"

#include <cmath>

#include <QSettings>

#include "shared/Saturating.hpp"

namespace zephrane {
namespace {

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool SettingsStore::boolValue(const QString& key) const {
    const QVariant v = value(key);
    if (!v.isValid()) return false;
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    if (isNumber(v)) return v.toDouble() != 0;
    // INI files keep every scalar as text: "true"/"false", or a number.
    const QString text = v.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
        text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
        return true;
    bool ok = false;
    const double number = text.toDouble(&ok);
    return ok && number != 0;
}

double SettingsStore::doubleValue(const QString& key) const {
    const QVariant v = value(key);
    if (!v.isValid()) return 0;
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1 : 0;
    bool ok = false;
    const double number = isNumber(v) ? v.toDouble(&ok) : v.toString().trimmed().toDouble(&ok);
    return ok ? number : 0;
}

std::int64_t SettingsStore::integerValue(const QString& key) const {
    const QVariant v = value(key);
    if (!v.isValid()) return 0;
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1 : 0;
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) return v.toLongLong();
    bool ok = false;
    const QString text = v.toString().trimmed();
    const qlonglong whole = text.toLongLong(&ok);
    if (ok) return whole;
    // "12.7" reads as 12, the way a double read then truncated would.
    const double number = text.toDouble(&ok);
    return ok ? saturatingCast<std::int64_t>(number) : 0;
}

std::optional<std::string> SettingsStore::stringValue(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QString) return v.toString().toStdString();
    if (isNumber(v)) return v.toString().toStdString();
    return std::nullopt;
}

std::optional<QByteArray> SettingsStore::dataValue(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QByteArray) return std::nullopt;
    return v.toByteArray();
}

QVariant InMemorySettingsStore::value(const QString& key) const {
    const auto it = values_.find(key);
    return it == values_.end() ? QVariant() : it->second;
}

void InMemorySettingsStore::setValue(const QString& key, const QVariant& value) {
    values_[key] = value;
    writes_.push_back("set " + key.toStdString());
}

void InMemorySettingsStore::remove(const QString& key) {
    values_.erase(key);
    writes_.push_back("remove " + key.toStdString());
}

QSettingsStore::QSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Zephrane"),
                                            QStringLiteral("com.zephrane.app"))) {}

QSettingsStore::QSettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

QSettingsStore::~QSettingsStore() = default;

QVariant QSettingsStore::value(const QString& key) const { return settings_->value(key); }

void QSettingsStore::setValue(const QString& key, const QVariant& value) { settings_->setValue(key, value); }

void QSettingsStore::remove(const QString& key) { settings_->remove(key); }

}  // namespace zephrane
