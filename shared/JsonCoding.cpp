#include "shared/JsonCoding.hpp"

#include <cmath>
#include <limits>

namespace zephrane {
namespace {

std::string withPath(const std::string& path, const std::string& description) {
    return path.empty() ? description : description + " (at \"" + path + "\")";
}

std::string typeNameOf(const Json& value) {
    switch (value.type()) {
        case Json::value_t::null: return "null";
        case Json::value_t::object: return "an object";
        case Json::value_t::array: return "an array";
        case Json::value_t::string: return "a string";
        case Json::value_t::boolean: return "a Boolean";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float: return "a number";
        default: return "an unsupported value";
    }
}

[[noreturn]] void mismatch(const Json& value, std::string_view path, std::string_view expected) {
    if (value.is_null())
        throw DecodingError(DecodingError::Kind::valueNotFound, std::string(path),
                            "Expected " + std::string(expected) + " value but found null instead.");
    throw DecodingError(DecodingError::Kind::typeMismatch, std::string(path),
                        "Expected to decode " + std::string(expected) + " but found " + typeNameOf(value) +
                            " instead.");
}

}  // namespace

DecodingError::DecodingError(Kind kind, std::string codingPath, std::string debugDescription)
    : std::runtime_error(withPath(codingPath, debugDescription)),
      kind_(kind),
      codingPath_(std::move(codingPath)),
      debugDescription_(std::move(debugDescription)) {}

EncodingError::EncodingError(std::string codingPath, std::string debugDescription)
    : std::runtime_error(withPath(codingPath, debugDescription)), codingPath_(std::move(codingPath)) {}

namespace json {

std::string childPath(std::string_view parent, std::string_view key) {
    if (parent.empty()) return std::string(key);
    return std::string(parent) + "." + std::string(key);
}

std::string indexPath(std::string_view parent, std::size_t index) {
    return std::string(parent) + "[" + std::to_string(index) + "]";
}

Json parse(std::string_view text) {
    try {
        return Json::parse(text.begin(), text.end());
    } catch (const Json::exception&) {
        throw DecodingError(DecodingError::Kind::dataCorrupted, "", "The given data was not valid JSON.");
    }
}

std::string decodeString(const Json& value, std::string_view path) {
    if (!value.is_string()) mismatch(value, path, "String");
    return value.get<std::string>();
}

double decodeDouble(const Json& value, std::string_view path) {
    if (!value.is_number()) mismatch(value, path, "Double");
    return value.get<double>();
}

std::int64_t decodeInt64(const Json& value, std::string_view path) {
    if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        auto u = value.get<std::uint64_t>();
        if (u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return static_cast<std::int64_t>(u);
    } else if (value.is_number_float()) {
        double d = value.get<double>();
        // A float form is taken only when it names an integer exactly.
        if (std::isfinite(d) && d == std::trunc(d) && d >= -0x1p63 && d < 0x1p63) return static_cast<std::int64_t>(d);
    } else {
        mismatch(value, path, "Int64");
    }
    throw DecodingError(DecodingError::Kind::dataCorrupted, std::string(path),
                        "Parsed JSON number <" + value.dump() + "> does not fit in Int64.");
}

bool decodeBool(const Json& value, std::string_view path) {
    if (!value.is_boolean()) mismatch(value, path, "Bool");
    return value.get<bool>();
}

Uuid decodeUuid(const Json& value, std::string_view path) {
    std::string text = decodeString(value, path);
    if (auto id = Uuid::parse(text)) return *id;
    throw DecodingError(DecodingError::Kind::dataCorrupted, std::string(path),
                        "Attempted to decode UUID from invalid UUID string.");
}

const Json& requireObject(const Json& value, std::string_view path, std::string_view typeName) {
    if (!value.is_object()) mismatch(value, path, std::string(typeName) + " (an object)");
    return value;
}

const Json& requireArray(const Json& value, std::string_view path, std::string_view typeName) {
    if (!value.is_array()) mismatch(value, path, std::string(typeName) + " (an array)");
    return value;
}

Json encodeDouble(double value, std::string_view path) {
    if (!std::isfinite(value))
        throw EncodingError(std::string(path), "Unable to encode Double." +
                                                   std::string(std::isnan(value) ? "nan" : "infinity") +
                                                   " directly in JSON.");
    return value;
}

std::string_view singleCaseKey(const Json& object, std::string_view path, std::string_view typeName,
                               std::initializer_list<std::string_view> caseNames) {
    requireObject(object, path, typeName);
    std::string_view found;
    int count = 0;
    for (auto name : caseNames) {
        if (object.contains(std::string(name))) {
            found = name;
            ++count;
        }
    }
    if (count != 1)
        throw DecodingError(DecodingError::Kind::typeMismatch, std::string(path), std::string(kInvalidKeyCount));
    return found;
}

ObjectReader::ObjectReader(const Json& value, std::string path, std::string_view typeName)
    : object_(requireObject(value, path, typeName)), path_(std::move(path)) {}

const Json* ObjectReader::find(std::string_view key) const {
    auto it = object_.find(std::string(key));
    if (it == object_.end() || it->is_null()) return nullptr;
    return &*it;
}

bool ObjectReader::contains(std::string_view key) const { return find(key) != nullptr; }

const Json& ObjectReader::require(std::string_view key) const {
    auto it = object_.find(std::string(key));
    if (it == object_.end())
        throw DecodingError(DecodingError::Kind::keyNotFound, path(key),
                            "No value associated with key \"" + std::string(key) + "\".");
    if (it->is_null())
        throw DecodingError(DecodingError::Kind::valueNotFound, path(key),
                            "Expected a value for key \"" + std::string(key) + "\" but found null instead.");
    return *it;
}

std::optional<std::int64_t> ObjectReader::optionalInt64(std::string_view key) const {
    if (const Json* v = find(key)) return decodeInt64(*v, path(key));
    return std::nullopt;
}

std::optional<double> ObjectReader::optionalNumber(std::string_view key) const {
    if (const Json* v = find(key)) return decodeDouble(*v, path(key));
    return std::nullopt;
}

std::optional<bool> ObjectReader::optionalBool(std::string_view key) const {
    if (const Json* v = find(key)) return decodeBool(*v, path(key));
    return std::nullopt;
}

}  // namespace json
}  // namespace zephrane
