#include "ZephraneApp/Services/Records/HeatDayFiles.hpp"

#include <cerrno>
#include <utility>

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace zephrane {
namespace {

constexpr auto kDayFormat = "yyyy-MM-dd";
const QString kPrefix = QStringLiteral("heat-");
const QString kExtension = QStringLiteral(".json");
const QString kSetAsideSuffix = QStringLiteral(".unreadable");

std::optional<HeatDayFiles::Totals> decode(const QByteArray& data) {
    const auto json = nlohmann::json::parse(data.cbegin(), data.cend(), nullptr, /*allow_exceptions=*/false);
    if (!json.is_object()) return std::nullopt;
    const auto totals = json.find("totals");
    if (totals == json.end() || !totals->is_object()) return std::nullopt;
    HeatDayFiles::Totals result;
    for (const auto& [name, seconds] : totals->items()) {
        if (!seconds.is_number()) return std::nullopt;
        result[name] = seconds.get<double>();
    }
    return result;
}

// mkdir -p where every folder made is private to the user.
bool makePrivateDirectories(const QByteArray& path) {
    if (::mkdir(path.constData(), 0700) == 0) return true;
    if (errno == EEXIST) {
        struct stat info {};
        return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    if (errno != ENOENT) return false;
    const auto slash = path.lastIndexOf('/');
    if (slash <= 0) return false;
    if (!makePrivateDirectories(path.left(slash))) return false;
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

HeatDayFiles::HeatDayFiles(QString directory) : directory_(std::move(directory)) {}

QString HeatDayFiles::fileName(QDate day) {
    return kPrefix + day.toString(QString::fromLatin1(kDayFormat)) + kExtension;
}

bool HeatDayFiles::directoryIsUsable() const {
    struct stat info {};
    if (::lstat(QFile::encodeName(directory_).constData(), &info) != 0) return true;
    if (S_ISLNK(info.st_mode)) return false;
    return S_ISDIR(info.st_mode);
}

HeatDayFiles::Totals HeatDayFiles::load(QDate day) {
    const QString path = QDir(directory_).filePath(fileName(day));
    QFile file(path);
    if (!file.exists()) return {};
    if (file.open(QIODevice::ReadOnly)) {
        if (auto totals = decode(file.readAll())) return std::move(*totals);
        file.close();
    }
    if (!directoryIsUsable() || !QFile::rename(path, path + kSetAsideSuffix)) blockedDays_.insert(day);
    return {};
}

bool HeatDayFiles::write(QDate day, const Totals& totals) {
    if (blockedDays_.contains(day) || !directoryIsUsable() || !createDirectory()) return false;
    // Process names are bytes from the process table, not always UTF-8:
    // replace what JSON cannot hold rather than fail every later write.
    const std::string text =
        nlohmann::json{{"totals", totals}}.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    QSaveFile file(QDir(directory_).filePath(fileName(day)));
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(text.data(), static_cast<qint64>(text.size()));
    return file.commit();
}

bool HeatDayFiles::createDirectory() const {
    return makePrivateDirectories(QFile::encodeName(QDir::cleanPath(directory_)));
}

void HeatDayFiles::prune(const QDateTime& now) {
    if (!directoryIsUsable()) return;
    const QDateTime cutoff = now.addDays(-7);
    const QDir dir(directory_);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& entry : entries) {
        if (!entry.startsWith(kPrefix)) continue;
        QString stem;
        if (entry.endsWith(kExtension)) {
            stem = entry.chopped(kExtension.size());
        } else if (entry.endsWith(kExtension + kSetAsideSuffix)) {
            stem = entry.chopped(kExtension.size() + kSetAsideSuffix.size());
        } else {
            continue;
        }
        const QDate day = QDate::fromString(stem.mid(kPrefix.size()), QString::fromLatin1(kDayFormat));
        if (!day.isValid()) continue;
        if (day.startOfDay() < cutoff) QFile::remove(dir.filePath(entry));
    }
}

}  // namespace zephrane
