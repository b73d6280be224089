// Reading and writing the stored JSON forms of the shared types.
//
// Decoding never trusts its input: every failure is a DecodingError that names
// what went wrong and where (the coding path, e.g. "speed.fixed.percentage"),
// and no partial value escapes. Integers are read from the JSON integer itself,
// never through a double, so 64-bit values survive a round trip exactly.
// Encoding refuses non-finite doubles, which JSON cannot carry, instead of
// writing a null that would later fail to read.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "shared/EnumCases.hpp"
#include "shared/JsonFwd.hpp"
#include "shared/Uuid.hpp"

namespace zephrane {

class DecodingError : public std::runtime_error {
public:
    enum class Kind { keyNotFound, valueNotFound, typeMismatch, dataCorrupted };

    DecodingError(Kind kind, std::string codingPath, std::string debugDescription);

    Kind kind() const { return kind_; }
    const std::string& codingPath() const { return codingPath_; }
    const std::string& debugDescription() const { return debugDescription_; }

private:
    Kind kind_;
    std::string codingPath_;
    std::string debugDescription_;
};

class EncodingError : public std::runtime_error {
public:
    EncodingError(std::string codingPath, std::string debugDescription);

    const std::string& codingPath() const { return codingPath_; }

private:
    std::string codingPath_;
};

namespace json {

inline constexpr std::string_view kInvalidKeyCount = "Invalid number of keys found, expected one.";

std::string childPath(std::string_view parent, std::string_view key);
std::string indexPath(std::string_view parent, std::size_t index);

// Text to a JSON value; malformed text is a dataCorrupted error.
Json parse(std::string_view text);

// Single values at `path`.
std::string decodeString(const Json& value, std::string_view path);
double decodeDouble(const Json& value, std::string_view path);
std::int64_t decodeInt64(const Json& value, std::string_view path);
bool decodeBool(const Json& value, std::string_view path);
Uuid decodeUuid(const Json& value, std::string_view path);
const Json& requireObject(const Json& value, std::string_view path, std::string_view typeName);
const Json& requireArray(const Json& value, std::string_view path, std::string_view typeName);

// A double for storing; throws EncodingError for NaN and the infinities.
Json encodeDouble(double value, std::string_view path);

template <class E>
E decodeRawEnum(const Json& value, std::string_view path) {
    std::string raw = decodeString(value, path);
    if (auto e = fromRawValue<E>(raw)) return *e;
    throw DecodingError(DecodingError::Kind::dataCorrupted, std::string(path),
                        "Cannot initialize " + std::string(EnumCases<E>::typeName) +
                            " from invalid String value " + raw);
}

// The case key of an enumeration with a payload: of the object's keys only
// `caseNames` count, and exactly one of them must be there.
std::string_view singleCaseKey(const Json& object, std::string_view path, std::string_view typeName,
                               std::initializer_list<std::string_view> caseNames);

// A dictionary keyed by a raw-value enumeration, stored as one array that
// alternates each key's raw text with its value: [key, value, key, value, ...].
// `encodeValue(value, path)` and `decodeValue(json, path)` code one value.
template <class K, class V, class EncodeValue>
Json encodeKeyedArray(const std::map<K, V>& dictionary, std::string_view path, EncodeValue encodeValue) {
    Json array = Json::array();
    for (const auto& [key, value] : dictionary) {
        array.push_back(std::string(rawValue(key)));
        array.push_back(encodeValue(value, indexPath(path, array.size())));
    }
    return array;
}

template <class K, class V, class DecodeValue>
std::map<K, V> decodeKeyedArray(const Json& value, std::string_view path, DecodeValue decodeValue) {
    requireArray(value, path, "Dictionary");
    if (value.size() % 2 != 0)
        throw DecodingError(DecodingError::Kind::dataCorrupted, std::string(path),
                            "Expected an even number of elements, alternating keys and values.");
    std::map<K, V> dictionary;
    for (std::size_t i = 0; i < value.size(); i += 2) {
        K key = decodeRawEnum<K>(value[i], indexPath(path, i));
        dictionary.insert_or_assign(key, decodeValue(value[i + 1], indexPath(path, i + 1)));
    }
    return dictionary;
}

// Reads the keys of one JSON object. A key holding null counts as absent for
// the optional readers and as "value not found" for the required ones.
class ObjectReader {
public:
    ObjectReader(const Json& value, std::string path, std::string_view typeName);

    bool contains(std::string_view key) const;  // present and not null
    const Json& require(std::string_view key) const;
    const Json* find(std::string_view key) const;  // null when absent or null
    std::string path(std::string_view key) const { return childPath(path_, key); }
    const std::string& path() const { return path_; }

    std::string string(std::string_view key) const { return decodeString(require(key), path(key)); }
    double number(std::string_view key) const { return decodeDouble(require(key), path(key)); }
    std::int64_t int64(std::string_view key) const { return decodeInt64(require(key), path(key)); }
    bool boolean(std::string_view key) const { return decodeBool(require(key), path(key)); }
    Uuid uuid(std::string_view key) const { return decodeUuid(require(key), path(key)); }
    template <class E>
    E rawEnum(std::string_view key) const {
        return decodeRawEnum<E>(require(key), path(key));
    }

    std::optional<std::int64_t> optionalInt64(std::string_view key) const;
    std::optional<double> optionalNumber(std::string_view key) const;
    std::optional<bool> optionalBool(std::string_view key) const;

private:
    const Json& object_;
    std::string path_;
};

}  // namespace json
}  // namespace zephrane
