// The daemon's condition as the app's driver reports it. A value of its own
// so that views and presenters can name it without the driver.
#pragma once

#include <string>
#include <utility>

namespace zephrane {

class HelperState {
public:
    enum class Kind { unavailable, notRegistered, requiresApproval, enabled, connected };

    // notRegistered: what is known before anything was asked.
    HelperState() : HelperState(Kind::notRegistered) {}
    static HelperState unavailable(std::string reason) { return HelperState(Kind::unavailable, std::move(reason)); }
    static HelperState notRegistered() { return HelperState(Kind::notRegistered); }
    static HelperState requiresApproval() { return HelperState(Kind::requiresApproval); }
    static HelperState enabled() { return HelperState(Kind::enabled); }
    static HelperState connected() { return HelperState(Kind::connected); }

    Kind kind() const { return kind_; }
    // The reason of `unavailable`; empty for the other cases.
    const std::string& reason() const { return reason_; }
    friend bool operator==(const HelperState&, const HelperState&) = default;

private:
    explicit HelperState(Kind kind, std::string reason = {}) : kind_(kind), reason_(std::move(reason)) {}
    Kind kind_;
    std::string reason_;
};

}  // namespace zephrane
