#include "ZephraneApp/DesignSystem/Backdrops/BackdropResourceBundle.hpp"

#include <dlfcn.h>

#include <system_error>

namespace zephrane::BackdropResources {
namespace {

namespace fs = std::filesystem;

// Exists only for its address: the dynamic linker names the module that
// holds it, which is the module holding the store's code.
struct BundleToken {};
const BundleToken kBundleToken{};

std::optional<fs::path> moduleOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0') return std::nullopt;
    std::error_code error;
    fs::path module = fs::canonical(info.dli_fname, error);
    if (error) return std::nullopt;
    return module;
}

bool isFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

}  // namespace

CodeBundle codeBundleOf(const fs::path& program) {
    const fs::path folder = program.parent_path();
    const fs::path contents = folder.parent_path();
    const fs::path app = contents.parent_path();
    if (folder.filename() == "MacOS" && contents.filename() == "Contents" && app.extension() == ".app")
        return {app, contents / "Resources"};
    return {folder, folder};
}

std::vector<fs::path> resourceBundleCandidates(const CodeBundle& main, const CodeBundle& code) {
    return {main.resourceDirectory, code.location.parent_path(), code.resourceDirectory, main.location.parent_path()};
}

std::optional<fs::path> locateResourceBundle(const std::vector<fs::path>& candidates) {
    for (const fs::path& candidate : candidates) {
        if (candidate.empty()) continue;
        const fs::path bundle = candidate / kResourceBundleName;
        std::error_code error;
        if (fs::is_directory(bundle, error)) return bundle;
    }
    return std::nullopt;
}

std::optional<fs::path> locateResourceBundleOfThisProcess() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    const fs::path code = moduleOf(&kBundleToken).value_or(program);
    return locateResourceBundle(resourceBundleCandidates(codeBundleOf(program), codeBundleOf(code)));
}

std::optional<fs::path> photoPath(const fs::path& bundle, const BackdropPhotoAsset& asset) {
    const std::string name = asset.resourceName() + std::string(kPhotoExtension);
    if (fs::path inPhotos = bundle / kPhotosFolder / name; isFile(inPhotos)) return inPhotos;
    if (fs::path atRoot = bundle / name; isFile(atRoot)) return atRoot;
    return std::nullopt;
}

}  // namespace zephrane::BackdropResources
