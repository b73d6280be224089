// The I/O Registry and the power-sources service as the app's monitors read
// them: property maps of named services ("AppleSmartBattery",
// "IOPMrootDomain", "IOAccelerator"), the providing power source and the
// external adapter's details. Property names, value types and units are the
// Mac's; a property map is a JSON object whose values are booleans, numbers
// (integers stay integers), texts, arrays and nested objects.
//
// Every call may block (the values come from the machine), so callers run it
// off the GUI thread. Nothing throws: an unreachable registry looks like a
// machine without the service.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace zephrane::iokit {

using RegistryProperties = nlohmann::json;  // always an object

class IORegistry {
public:
    virtual ~IORegistry() = default;

    // The properties of every service of the class, in registry order; empty
    // when there is none.
    virtual std::vector<RegistryProperties> matchingServices(std::string_view className) = 0;
    // The properties of the entry at a registry path such as
    // "IOPower:/IOPowerConnection/IOPMrootDomain"; nothing when there is none.
    virtual std::optional<RegistryProperties> entryAtPath(std::string_view path) = 0;

    // IOPSGetProvidingPowerSourceType of IOPSCopyPowerSourcesInfo: "AC Power",
    // "Battery Power", ...; nothing when the power-sources information cannot
    // be had.
    virtual std::optional<std::string> providingPowerSourceType() = 0;
    // IOPSCopyExternalPowerAdapterDetails; nothing when no adapter is known.
    virtual std::optional<nlohmann::json> externalPowerAdapterDetails() = 0;
};

}  // namespace zephrane::iokit
