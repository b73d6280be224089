// What the app and the daemon must agree on: the daemon's names, the timing
// of the link between them and the code-signing identity each demands of the
// other. Both programs link this one definition, so they cannot drift apart.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace zephrane {

// The build version both programs carry; the app relaunches the daemon once
// when the daemon reports a different one.
inline constexpr std::string_view helperBuildVersion = "1.2.2";

namespace HelperConstants {

// The service the daemon listens on and the app connects to.
inline constexpr std::string_view machServiceName = "com.zephrane.Fanwarden.xpc";
// The daemon's property-list file name inside the app bundle.
inline constexpr std::string_view daemonPlistName = "com.zephrane.Fanwarden.plist";
// The daemon's label, also its signing identifier and executable name.
inline constexpr std::string_view daemonLabel = "com.zephrane.Fanwarden";
// The app's bundle and signing identifier.
inline constexpr std::string_view appBundleID = "com.zephrane.app";
// Organisational unit of the leaf certificate that signs both programs.
inline constexpr std::string_view teamID = "ZPHRN4B7Q2";

using Seconds = std::chrono::duration<double>;

// The app beats this often while connected: half the daemon's time-out.
inline constexpr Seconds heartbeatInterval{2.5};
// The daemon hands the fans back once manual control is engaged and no beat
// has come for strictly longer than this.
inline constexpr Seconds heartbeatTimeout{5.0};
// The app's time-out for an ordinary call (restore, version).
inline constexpr Seconds xpcCallTimeout{4.0};
// How long the daemon keeps retrying to put a fan into manual mode.
inline constexpr Seconds manualEngageUnlockTimeout{10.0};
// The app's time-out for a call that may have to engage manual mode first;
// longer than the daemon's own retrying so the daemon's answer arrives.
inline constexpr Seconds engageCallTimeout{12.0};
// The app's time-out for one heartbeat call, also used for the handshake.
inline constexpr Seconds heartbeatCallTimeout{2.0};

// Code-signing requirements, built once on first use (safe from any thread).
// The daemon demands clientRequirement() of every incoming connection; the
// app demands daemonRequirement() of the daemon. They differ only in the
// signing identifier.
const std::string& clientRequirement();
const std::string& daemonRequirement();

}  // namespace HelperConstants

}  // namespace zephrane
