// Running a shell script with administrator privileges, in the shape of
// NSAppleScript's `do shell script "…" with administrator privileges`: a
// script object is made from AppleScript source and then executed; a failed
// execution answers with an error-information map keyed like AppleScript's.
//
// Only the one form of source the app writes is understood (see
// ShellScriptSource.hpp); any other source fails to create a script, as
// source that does not compile does on the real platform.
//
// Error information, one line per key:
//   NSAppleScriptErrorNumber   integer (or floating) number: the script's
//                              exit status; -128 when the approval prompt was
//                              dismissed or authorization failed; -2700 when
//                              the approval program could not be run at all
//   NSAppleScriptErrorMessage  text: what the script wrote to standard error,
//                              "User canceled." for -128
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zephrane::adminscript {

inline constexpr std::string_view errorNumberKey = "NSAppleScriptErrorNumber";
inline constexpr std::string_view errorMessageKey = "NSAppleScriptErrorMessage";

// The user dismissed the approval prompt (userCanceledErr).
inline constexpr std::int64_t userCanceledErrorNumber = -128;
inline constexpr std::string_view userCanceledMessage = "User canceled.";
// The request could not be made at all (errOSAGeneralError).
inline constexpr std::int64_t generalErrorNumber = -2700;

// One value of the error-information map. A number may arrive as an integer
// or as a floating number, as a dictionary's number objects do; text is a
// third kind. A struct rather than a variant keeps GCC 12's sanitizer builds
// free of false uninitialised-value warnings.
struct ErrorValue {
    enum class Kind { integer, floating, text };
    Kind kind = Kind::integer;
    std::int64_t integer = 0;
    double floating = 0;
    std::string text;

    static ErrorValue ofInteger(std::int64_t value) { return {Kind::integer, value, 0, {}}; }
    static ErrorValue ofFloating(double value) { return {Kind::floating, 0, value, {}}; }
    static ErrorValue ofText(std::string value) { return {Kind::text, 0, 0, std::move(value)}; }

    friend bool operator==(const ErrorValue&, const ErrorValue&) = default;
};

using ErrorInfo = std::map<std::string, ErrorValue, std::less<>>;

class AppleScript {
public:
    virtual ~AppleScript() = default;
    // Blocks until the script has run, however long the approval prompt
    // stays open. No value on success; the script's output is not kept.
    virtual std::optional<ErrorInfo> execute() = 0;
};

class AppleScriptFactory {
public:
    virtual ~AppleScriptFactory() = default;
    // Null when the source is not of the one understood form.
    virtual std::unique_ptr<AppleScript> create(std::string_view source) = 0;
};

}  // namespace zephrane::adminscript
