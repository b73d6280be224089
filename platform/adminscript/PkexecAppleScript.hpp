// Administrator scripts on Linux: polkit's pkexec runs `/bin/sh -c <script>`
// as root after its own approval prompt. The script travels as one argument
// and is never quoted again on the way.
//
// pkexec exits 126 when the user dismisses its dialog and 127 when
// authorization fails or cannot be obtained; both read as a cancelled
// prompt (-128). A script that itself exits 126 or 127 is indistinguishable
// from that, so scripts run this way should not use those statuses.
//
// Execution has no time-out of its own: the user may take as long as they
// like to answer. It ends when the shell ends, even if something the script
// left running in the background still holds standard error, and it always
// reaps the child and closes every descriptor it opened.
#pragma once

#include <cstddef>
#include <string>

#include "platform/adminscript/AppleScript.hpp"

namespace zephrane::adminscript {

class PkexecAppleScriptFactory final : public AppleScriptFactory {
public:
    static constexpr std::string_view defaultPkexecPath = "/usr/bin/pkexec";
    // Standard error beyond this is read and dropped, so a chatty script can
    // neither block on a full pipe nor grow the message without bound.
    static constexpr std::size_t maxMessageBytes = 64 * 1024;

    explicit PkexecAppleScriptFactory(std::string pkexecPath = std::string(defaultPkexecPath))
        : pkexecPath_(std::move(pkexecPath)) {}

    std::unique_ptr<AppleScript> create(std::string_view source) override;

private:
    std::string pkexecPath_;
};

}  // namespace zephrane::adminscript
