// An activation policy that only remembers what it was told, for tests.
#pragma once

#include <vector>

#include "platform/activationpolicy/ActivationPolicy.hpp"

namespace zephrane::activationpolicy {

class FakeActivationPolicy final : public ActivationPolicy {
public:
    void setActivationPolicy(Policy policy) override { told.push_back(policy); }
    Policy activationPolicy() const override { return told.empty() ? Policy::regular : told.back(); }

    std::vector<Policy> told;
};

}  // namespace zephrane::activationpolicy
