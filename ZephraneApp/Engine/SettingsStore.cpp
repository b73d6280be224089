#include "ZephraneApp/Engine/SettingsStore.hpp"

#include <cmath>
#include <map>
#include <utility>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "platform/oslog/OSLog.hpp"
#include "shared/Saturating.hpp"

namespace zephrane {
namespace {

const oslog::Logger& settingsLog() { return oslog::logger("com.zephrane.app", "settings"); }

// Beyond this a file is no settings file we wrote: it is kept unread.
constexpr qint64 kMaxComparedSettingsBytes = 16 * 1024 * 1024;
constexpr int kMaxKeptCopies = 100;

// The lines of an INI text as Qt's reader takes them: the raw value text of
// each key by section (top-level keys are Qt's "General"), and whether every
// line is one Qt writes back (blank lines, section heads, single keys).
struct IniLines {
    std::map<std::pair<QString, QString>, QString> values;
    bool everyLineKept = true;
};

IniLines iniLines(const QByteArray& text) {
    IniLines lines;
    QString section = QStringLiteral("General");
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty()) continue;
        if (line.startsWith(u';') || line.startsWith(u'#')) {
            lines.everyLineKept = false;  // a comment
        } else if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed();
            if (section.isEmpty()) section = QStringLiteral("General");
        } else if (const auto equals = line.indexOf(u'='); equals > 0) {
            const auto at = std::pair(section, line.left(equals).trimmed());
            if (!lines.values.emplace(at, line.mid(equals + 1).trimmed()).second) lines.everyLineKept = false;
        } else {
            lines.everyLineKept = false;  // not in the format
        }
    }
    return lines;
}

}  // namespace

bool settingsFileLoadedCleanly(const QSettings& settingsOfTheFile) {
    QFile file(settingsOfTheFile.fileName());
    if (!file.exists()) return true;
    // The file alone: a user-scope QSettings also reads the system-wide
    // files, whose keys this one does not hold.
    const QSettings settings(settingsOfTheFile.fileName(), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError || file.size() > kMaxComparedSettingsBytes ||
        !file.open(QIODevice::ReadOnly))
        return false;
    const IniLines original = iniLines(file.readAll());
    if (!original.everyLineKept) return false;
    // What Qt writes for the values it read, key by key.
    QTemporaryDir scratch;
    if (!scratch.isValid()) return false;
    const QString rewrittenPath = scratch.filePath(QStringLiteral("rewritten.ini"));
    {
        QSettings rewritten(rewrittenPath, QSettings::IniFormat);
        for (const QString& key : settings.allKeys()) rewritten.setValue(key, settings.value(key));
        rewritten.sync();
    }
    QFile rewrittenFile(rewrittenPath);
    if (!rewrittenFile.open(QIODevice::ReadOnly)) return settings.allKeys().isEmpty() && original.values.empty();
    return iniLines(rewrittenFile.readAll()).values == original.values;
}

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
                                            QStringLiteral("com.zephrane.app"))) {
    keepIfNotLoadedCleanly();
}

QSettingsStore::QSettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {
    keepIfNotLoadedCleanly();
}

// Kept at once rather than at the first write: Qt writes the file later, on
// its own, and every store of the file (the pinned sensors' too) may cause
// it. A file that loaded cleanly is never copied.
void QSettingsStore::keepIfNotLoadedCleanly() {
    const QString path = settings_->fileName();
    QFile file(path);
    if (!file.exists() || settingsFileLoadedCleanly(*settings_)) return;
    QByteArray original;
    if (file.size() <= kMaxComparedSettingsBytes && file.open(QIODevice::ReadOnly)) original = file.readAll();
    for (int n = 1; n <= kMaxKeptCopies; ++n) {
        const QString kept = path + QStringLiteral(".kept") + (n == 1 ? QString() : QStringLiteral(".%1").arg(n));
        QFile existing(kept);
        if (existing.exists()) {
            // Kept already, at an earlier launch that wrote nothing.
            if (!original.isEmpty() && existing.open(QIODevice::ReadOnly) && existing.readAll() == original) return;
            continue;
        }
        if (!QFile::copy(path, kept)) break;
        keptCopy_ = kept;
        settingsLog().info("the settings file \"" + path.toStdString() +
                           "\" holds what a rewrite would lose or respell; kept as it was in \"" + kept.toStdString() +
                           "\"");
        return;
    }
    settingsLog().error("the settings file \"" + path.toStdString() +
                        "\" holds what a rewrite would lose or respell, and no copy of it could be kept, ignoring");
}

QSettingsStore::~QSettingsStore() = default;

QVariant QSettingsStore::value(const QString& key) const { return settings_->value(key); }

void QSettingsStore::setValue(const QString& key, const QVariant& value) { settings_->setValue(key, value); }

void QSettingsStore::remove(const QString& key) { settings_->remove(key); }

}  // namespace zephrane
