// The one AppleScript form the app writes to run a shell script as an
// administrator:
//
//   do shell script "<escaped script>" with administrator privileges
//
// inside the quotes a backslash, a double quote, a carriage return and a line
// feed are written \\ \" \r \n; any other backslash sequence, text before or
// after the form, or a NUL byte (which no argument vector can carry) makes
// the source unreadable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zephrane::adminscript {

// The shell script the source runs, with the escapes undone; none when the
// source is not of the form above.
std::optional<std::string> shellScriptFromSource(std::string_view source);

}  // namespace zephrane::adminscript
