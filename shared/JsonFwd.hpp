// The JSON value type by name only, for headers that declare stored forms
// (toJson / fromJson) without defining them: including it costs a few
// standard headers, not nlohmann-json's hundreds. Units that read or write
// JSON include JsonCoding.hpp.
#pragma once

#include <nlohmann/json_fwd.hpp>

namespace zephrane {

using Json = nlohmann::ordered_json;

}  // namespace zephrane
