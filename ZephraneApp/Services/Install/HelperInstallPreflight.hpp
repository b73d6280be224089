// The check made before the daemon is registered with the service manager:
// can this copy of the app supply the daemon? It cannot when it runs from a
// translocated or externally mounted location (the registration would point
// at a path that goes away), or when the daemon's executable or its launchd
// property list is missing from the bundle.
//
// The bundle "URL" is a QUrl: a file URL carries the bundle's path; any other
// URL is never a usable location. The caller passes the bundle's path with
// its symbolic links already resolved (so it never begins with "//", which
// QUrl::fromLocalFile would read as a network host).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QUrl>

#include "ZephraneApp/Services/Install/FileManager.hpp"

namespace zephrane::HelperInstallPreflight {

enum class EmbeddedResource { helperExecutable, daemonPropertyList };

inline constexpr std::array<EmbeddedResource, 2> allEmbeddedResources{EmbeddedResource::helperExecutable,
                                                                      EmbeddedResource::daemonPropertyList};

// Raw values are the case names.
std::string_view rawValue(EmbeddedResource resource);
std::optional<EmbeddedResource> embeddedResource(std::string_view rawValue);
// Where the resource lies inside the bundle, built once per process:
//   helperExecutable    "Contents/MacOS/com.zephrane.Fanwarden"
//   daemonPropertyList  "Contents/Library/LaunchDaemons/com.zephrane.Fanwarden.plist"
const std::string& relativePath(EmbeddedResource resource);

struct Problem {
    enum class Kind { unsupportedLocation, missingResources };

    Kind kind = Kind::unsupportedLocation;
    // missingResources only: never empty, in the order of allEmbeddedResources.
    std::vector<EmbeddedResource> missing;

    static Problem unsupportedLocation() { return {Kind::unsupportedLocation, {}}; }
    static Problem missingResources(std::vector<EmbeddedResource> resources) {
        return {Kind::missingResources, std::move(resources)};
    }
    friend bool operator==(const Problem&, const Problem&) = default;
};

// None when the bundle is ready. Touches only the file system; never throws.
std::optional<Problem> check(const QUrl& bundleURL, const FileManager& fileManager);

struct FileStatus {
    bool exists = false;
    bool regularFile = false;  // false too when it cannot be read
    bool executable = false;
    friend bool operator==(const FileStatus&, const FileStatus&) = default;
};

FileStatus fileStatus(const QUrl& url, const FileManager& fileManager);

// Whether a file URL's standardised path is "/Volumes" or below it, or has a
// component that is exactly "AppTranslocation". False for other URLs.
bool isTranslocatedOrExternal(const QUrl& url);

}  // namespace zephrane::HelperInstallPreflight
