// Where the engine keeps the user's preferences: one value per key, read
// once when the engine is created and written through on every change.
//
// The typed readers convert the way the app's defaults always have: a key
// holding a value of another kind is converted rather than ignored (a
// non-numeric text reads as 0, "true" reads as true), and only raw data reads
// as data. Nothing here throws, and nothing ever removes a value the engine
// did not ask to remove, so bad stored data stays until the next write.
//
// QSettingsStore keeps the values in an INI file in the user's config
// directory; InMemorySettingsStore keeps them in memory, for tests and
// previews. Qt rewrites the file whole on the first change, in its own
// spelling, so a file it would not write back as it was (comments, lines
// not in its format, values it cannot read, another spelling of a value)
// is kept beside it as it was, before anything can be written.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <QByteArray>
#include <QString>
#include <QVariant>

class QSettings;

namespace zephrane {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored value, or an invalid QVariant when the key is absent.
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;

    bool contains(const QString& key) const { return value(key).isValid(); }

    // Absent keys give false / 0 / none.
    bool boolValue(const QString& key) const;
    double doubleValue(const QString& key) const;
    std::int64_t integerValue(const QString& key) const;
    // A text, or a number written as text; none for anything else.
    std::optional<std::string> stringValue(const QString& key) const;
    // Raw bytes only: a text is not data.
    std::optional<QByteArray> dataValue(const QString& key) const;

    void setBool(const QString& key, bool value) { setValue(key, value); }
    void setDouble(const QString& key, double value) { setValue(key, value); }
    void setInteger(const QString& key, std::int64_t value) { setValue(key, static_cast<qlonglong>(value)); }
    void setString(const QString& key, const std::string& value) { setValue(key, QString::fromStdString(value)); }
    void setData(const QString& key, const QByteArray& value) { setValue(key, value); }
};

// Whether Qt would write the file behind `settings` back as it is: every
// line a section head or a key, and each value in the spelling Qt gives the
// value it read. True for a file that is not there.
bool settingsFileLoadedCleanly(const QSettings& settingsOfTheFile);

class InMemorySettingsStore final : public SettingsStore {
public:
    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;

    // Every write and removal, in order, as "set <key>" and "remove <key>":
    // tests check that a set writes through even when nothing changed.
    const std::vector<std::string>& writes() const { return writes_; }

private:
    std::map<QString, QVariant> values_;
    std::vector<std::string> writes_;
};

class QSettingsStore final : public SettingsStore {
public:
    // The app's own file: "Zephrane/com.zephrane.app.ini" in the user's
    // config directory ($XDG_CONFIG_HOME, ~/.config).
    QSettingsStore();
    // Any INI file; tests use a temporary one.
    explicit QSettingsStore(const QString& iniPath);
    ~QSettingsStore() override;

    // Where a file that did not load cleanly was kept: "<file>.kept", or
    // "<file>.kept.2" and on when an earlier, different one is there (an
    // identical one is not kept twice). Empty when the file loaded cleanly,
    // was not there, or could not be copied.
    const QString& keptCopy() const { return keptCopy_; }

    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;

    // The same file for the services that keep a key of their own (the
    // pinned sensors).
    QSettings& settings() { return *settings_; }

private:
    void keepIfNotLoadedCleanly();

    std::unique_ptr<QSettings> settings_;
    QString keptCopy_;
};

}  // namespace zephrane
