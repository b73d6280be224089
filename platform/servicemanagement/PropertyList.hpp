// Just enough of the XML property-list format to read a launchd job
// description: dictionaries, arrays, strings, booleans and the scalar
// elements (integer, real, date, data) kept as their text. The file comes
// from an app bundle that an unprivileged user may have written, and root
// reads it, so the reader takes nothing on trust: input size and nesting
// are bounded, anything it does not understand (a DTD internal subset,
// CDATA, unknown elements, duplicate keys) is an error rather than a guess.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zephrane::servicemanagement {

struct PlistValue {
    enum class Kind { string, boolean, integer, real, date, data, array, dictionary };
    Kind kind = Kind::string;
    std::string text;               // the element's text for the scalar kinds
    bool boolean = false;
    std::vector<PlistValue> items;  // array elements, or dictionary values
    std::vector<std::string> keys;  // dictionary keys, one per item

    // The value under `key` in a dictionary; null when absent or not a dictionary.
    const PlistValue* find(std::string_view key) const;
};

class PropertyListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kMaxPropertyListBytes = 1 << 20;
inline constexpr int kMaxPropertyListDepth = 32;

// The document's one top-level value. Throws PropertyListError.
PlistValue parsePropertyList(std::string_view xml);

}  // namespace zephrane::servicemanagement
