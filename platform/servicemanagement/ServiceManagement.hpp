// The service manager as the app sees it: register, unregister and query the
// privileged daemon that the app bundle carries, in the shape of
// SMAppService.daemonServiceWithPlistName:. A fresh Service is made for
// every query and request, as callers of the real class do.
//
// Status values travel by number: notRegistered 0, enabled 1,
// requiresApproval 2, notFound 3 (the bundle does not carry the property
// list).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zephrane::servicemanagement {

enum class Status : int { notRegistered = 0, enabled = 1, requiresApproval = 2, notFound = 3 };

struct Error {
    std::string domain;
    std::int64_t code = 0;
    std::string description;  // the localized description

    // The full default text form, for logs:
    //   Error Domain=<domain> Code=<code> "<description>"
    std::string text() const;
    friend bool operator==(const Error&, const Error&) = default;
};

class Service {
public:
    virtual ~Service() = default;
    virtual Status status() = 0;
    // registerAndReturnError: synchronous; no value on success.
    virtual std::optional<Error> registerService() = 0;
    // unregisterWithCompletionHandler: the completion runs once, on any
    // thread, with no value on success.
    virtual void unregisterService(std::function<void(std::optional<Error>)> completion) = 0;
};

class ServiceManager {
public:
    virtual ~ServiceManager() = default;
    // daemonServiceWithPlistName: of the app's own bundle.
    virtual std::unique_ptr<Service> daemonService(const std::string& plistName) = 0;
};

}  // namespace zephrane::servicemanagement
