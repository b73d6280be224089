// The app's own login item, in the shape of SMAppService.mainApp: register
// to start the app at login, unregister to stop it, and its status. On the
// desktop this is an XDG autostart entry, a desktop file in the user's
// autostart directory that the session starts at login.
//
// Failures come back as SMAppService errors with a description the caller
// can show; nothing throws.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/servicemanagement/ServiceManagement.hpp"

namespace zephrane::servicemanagement {

class LoginItem {
public:
    static constexpr std::string_view kEntryFileName = "com.zephrane.app.desktop";

    // The entry goes into `autostartDirectory` and starts `program`.
    LoginItem(std::filesystem::path autostartDirectory, std::filesystem::path program);

    // $XDG_CONFIG_HOME/autostart (when that is an absolute path), else
    // ~/.config/autostart; the program is the running executable.
    static LoginItem forCurrentUser();

    const std::filesystem::path& entryPath() const { return entry_; }

    // enabled while the entry exists, notRegistered otherwise.
    Status status() const;
    // Writes the entry (atomically, creating the directory as needed); a
    // second registration rewrites it.
    std::optional<Error> registerService() const;
    // Removes the entry; kSMErrorJobNotFound when there is none.
    std::optional<Error> unregisterService() const;

    // The desktop entry's text for `program`, or none when the path cannot
    // be written into one (a line break in it).
    static std::optional<std::string> entryText(const std::filesystem::path& program);

private:
    std::filesystem::path entry_;
    std::filesystem::path program_;
};

}  // namespace zephrane::servicemanagement
