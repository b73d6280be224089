// The values that may cross an XPC connection: nil, 64-bit integers, doubles,
// Booleans, strings and errors, nothing else. Integers and doubles stay apart
// all the way, so a fan index never arrives as 3.0 and an rpm never as 3.
//
// A Value converts implicitly from each of its alternatives. A plain `int`
// literal is ambiguous on purpose (integer, double or Boolean?): write
// `std::int64_t{3}` or `3.0`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zephrane::xpc {

// An error as it crosses a connection; the description is the text a user
// may read ("localized description").
struct Error {
    std::string domain;
    std::int64_t code = 0;
    std::string description;
    friend bool operator==(const Error&, const Error&) = default;
};

enum class ValueKind { nil, int64, float64, boolean, string, error };

class Value {
public:
    Value() = default;  // nil
    Value(std::nullopt_t) {}
    Value(std::int64_t v) : storage_(v) {}
    Value(double v) : storage_(v) {}
    Value(bool v) : storage_(v) {}
    Value(std::string v) : storage_(std::move(v)) {}
    Value(std::string_view v) : storage_(std::string(v)) {}
    Value(const char* v) : storage_(std::string(v)) {}
    Value(Error v) : storage_(std::move(v)) {}
    // nil when absent: the shape of a reply's optional error.
    Value(std::optional<Error> v) {
        if (v) storage_ = std::move(*v);
    }

    ValueKind kind() const { return static_cast<ValueKind>(storage_.index()); }
    bool isNil() const { return kind() == ValueKind::nil; }

    std::optional<std::int64_t> int64() const { return pick<std::int64_t>(); }
    std::optional<double> float64() const { return pick<double>(); }
    std::optional<bool> boolean() const { return pick<bool>(); }
    const std::string* string() const { return std::get_if<std::string>(&storage_); }
    const Error* error() const { return std::get_if<Error>(&storage_); }

    // IEEE comparison for doubles: NaN differs from itself.
    friend bool operator==(const Value&, const Value&) = default;

private:
    template <class T>
    std::optional<T> pick() const {
        if (const T* v = std::get_if<T>(&storage_)) return *v;
        return std::nullopt;
    }

    // Alternative order matches ValueKind.
    std::variant<std::monostate, std::int64_t, double, bool, std::string, Error> storage_;
};

using Values = std::vector<Value>;

// Short text of a value for error descriptions: "int64", "string"...
std::string_view kindName(ValueKind kind);

// The connection-level errors, in the Cocoa domain with Foundation's codes.
namespace cocoa {
inline constexpr std::string_view errorDomain = "NSCocoaErrorDomain";
inline constexpr std::int64_t connectionInterrupted = 4097;  // the service went away while the connection was up
inline constexpr std::int64_t connectionInvalid = 4099;      // no connection can be made, or it was invalidated
inline constexpr std::int64_t replyInvalid = 4101;           // a request or its reply could not be carried
}  // namespace cocoa

Error interruptedError(std::string_view detail);
Error invalidError(std::string_view detail);
Error replyInvalidError(std::string_view detail);

}  // namespace zephrane::xpc
