// Finding the app's resource bundle, the folder "Zephrane_ZephraneApp.bundle"
// that carries the backdrop photographs, and a photograph inside it.
//
// A program's bundle follows the Mac's rules: a program in
// <name>.app/Contents/MacOS belongs to <name>.app, whose resources are in
// Contents/Resources; any other program's bundle, and its resource folder,
// is the folder it sits in. The resource bundle is looked for in four
// places, in this order: the main program's resource folder; the folder
// that holds the bundle of the code that asks (this library's module,
// found through the dynamic linker); that bundle's resource folder; the
// folder that holds the main program's bundle. So the installed app finds
// Brumalune.app/Contents/Resources/Zephrane_ZephraneApp.bundle, and a
// program in the build tree finds the bundle the build writes beside its
// folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "ZephraneApp/Model/WindowBackdrop.hpp"

namespace zephrane::BackdropResources {

inline constexpr std::string_view kResourceBundleName = "Zephrane_ZephraneApp.bundle";
inline constexpr std::string_view kPhotosFolder = "Photos";
inline constexpr std::string_view kPhotoExtension = ".heic";

struct CodeBundle {
    std::filesystem::path location;           // the .app folder, or the program's folder
    std::filesystem::path resourceDirectory;  // Contents/Resources, or the program's folder
};
CodeBundle codeBundleOf(const std::filesystem::path& program);

std::vector<std::filesystem::path> resourceBundleCandidates(const CodeBundle& main, const CodeBundle& code);

// The first candidate that holds a folder of that name (a file of that
// name does not count).
std::optional<std::filesystem::path> locateResourceBundle(const std::vector<std::filesystem::path>& candidates);

// For this process: the main program from /proc/self/exe, the code from
// the module this library is linked into.
std::optional<std::filesystem::path> locateResourceBundleOfThisProcess();

// <bundle>/Photos/<stem>-<appearance>.heic, else the same name at the
// bundle's root, else none.
std::optional<std::filesystem::path> photoPath(const std::filesystem::path& bundle, const BackdropPhotoAsset& asset);

}  // namespace zephrane::BackdropResources
