// What a connection may carry: for each selector, the types of its arguments
// and of its reply. The service checks every request against the interface it
// exports before a handler sees it, and its handlers' replies before they
// leave; a client that names the service's interface checks its own requests
// and the replies it gets.
#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xpc/Value.hpp"

namespace zephrane::xpc {

enum class ParameterType { int64, float64, boolean, string, error, optionalError };

struct Signature {
    std::vector<ParameterType> arguments;
    std::vector<ParameterType> reply;
    friend bool operator==(const Signature&, const Signature&) = default;
};

bool accepts(ParameterType type, const Value& value);

// Same count, and each value accepted by the type at its place.
bool matches(std::span<const ParameterType> types, const Values& values);

// "(int64, double)" for messages about a mismatch.
std::string describeTypes(std::span<const ParameterType> types);
std::string describeValues(const Values& values);

class Interface {
public:
    Interface& add(std::string selector, Signature signature);

    // Null for a selector the interface does not have. The pointer stays
    // valid as long as the interface is neither destroyed nor assigned.
    const Signature* find(std::string_view selector) const;

    bool empty() const { return methods_.empty(); }

private:
    std::map<std::string, Signature, std::less<>> methods_;
};

}  // namespace zephrane::xpc
