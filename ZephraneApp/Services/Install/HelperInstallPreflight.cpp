#include "ZephraneApp/Services/Install/HelperInstallPreflight.hpp"

#include <QDir>
#include <QFile>

#include "shared/HelperConstants.hpp"

namespace zephrane::HelperInstallPreflight {
namespace {

// "." and ".." components and doubled slashes removed; symbolic links are
// left alone.
QString standardizedPath(const QUrl& url) { return QDir::cleanPath(url.toLocalFile()); }

QUrl appendingRelativePath(const QUrl& bundleURL, const std::string& relative) {
    return QUrl::fromLocalFile(QDir::cleanPath(bundleURL.toLocalFile() + u'/' + QString::fromStdString(relative)));
}

}  // namespace

std::string_view rawValue(EmbeddedResource resource) {
    switch (resource) {
        case EmbeddedResource::helperExecutable: return "helperExecutable";
        case EmbeddedResource::daemonPropertyList: return "daemonPropertyList";
    }
    return {};
}

std::optional<EmbeddedResource> embeddedResource(std::string_view raw) {
    for (const EmbeddedResource resource : allEmbeddedResources)
        if (rawValue(resource) == raw) return resource;
    return std::nullopt;
}

const std::string& relativePath(EmbeddedResource resource) {
    static const std::string executable = "Contents/MacOS/" + std::string(HelperConstants::daemonLabel);
    static const std::string propertyList =
        "Contents/Library/LaunchDaemons/" + std::string(HelperConstants::daemonPlistName);
    return resource == EmbeddedResource::helperExecutable ? executable : propertyList;
}

std::optional<Problem> check(const QUrl& bundleURL, const FileManager& fileManager) {
    if (!bundleURL.isLocalFile() || isTranslocatedOrExternal(bundleURL)) return Problem::unsupportedLocation();

    std::vector<EmbeddedResource> missing;
    const FileStatus executable =
        fileStatus(appendingRelativePath(bundleURL, relativePath(EmbeddedResource::helperExecutable)), fileManager);
    if (!(executable.exists && executable.regularFile && executable.executable))
        missing.push_back(EmbeddedResource::helperExecutable);
    // The property list is only read, so its execute bit does not matter.
    const FileStatus propertyList =
        fileStatus(appendingRelativePath(bundleURL, relativePath(EmbeddedResource::daemonPropertyList)), fileManager);
    if (!(propertyList.exists && propertyList.regularFile)) missing.push_back(EmbeddedResource::daemonPropertyList);

    if (missing.empty()) return std::nullopt;
    return Problem::missingResources(std::move(missing));
}

FileStatus fileStatus(const QUrl& url, const FileManager& fileManager) {
    const std::filesystem::path path = QFile::encodeName(url.toLocalFile()).toStdString();
    return {fileManager.fileExists(path), fileManager.isRegularFile(path).value_or(false),
            fileManager.isExecutableFile(path)};
}

bool isTranslocatedOrExternal(const QUrl& url) {
    if (!url.isLocalFile()) return false;
    const QString path = standardizedPath(url);
    if (path == u"/Volumes" || path.startsWith(u"/Volumes/")) return true;
    const QStringList components = path.split(u'/', Qt::SkipEmptyParts);
    return components.contains(u"AppTranslocation");
}

}  // namespace zephrane::HelperInstallPreflight
