// The SMCError a call ends with, or nothing when it succeeds: lets a test
// compare whole errors, case and payload, in one expectation.
#pragma once

#include <optional>

#include "smc/SMCError.hpp"

namespace zephrane::integration {

template <typename Call>
std::optional<SMCError> errorOf(Call call) {
    try {
        call();
        return std::nullopt;
    } catch (const SMCError& error) {
        return error;
    }
}

}  // namespace zephrane::integration
