// The application's activation policy, as the Mac knows it: a regular app
// has its icon in the Dock, an accessory app shows only its status item.
// On the desktop the task bar stands in for the Dock: a regular app's main
// windows are listed there, an accessory app's are not. The policy is the
// whole application's, so there is one per process.
#pragma once

namespace zephrane::activationpolicy {

enum class Policy { regular, accessory };

class ActivationPolicy {
public:
    virtual ~ActivationPolicy() = default;
    // Takes effect at once on the windows shown, and on every window shown
    // later.
    virtual void setActivationPolicy(Policy policy) = 0;
    virtual Policy activationPolicy() const = 0;
};

}  // namespace zephrane::activationpolicy
