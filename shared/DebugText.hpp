// A text in double quotes, escaped so that it reads back unambiguously inside
// a log line or an error message: quote and backslash get a backslash, NUL is
// written \0, and other control characters are escaped too, so a stray key or
// type code (SMC names may hold any byte) cannot break a line.
#pragma once

#include <string>
#include <string_view>

namespace zephrane {

std::string quotedDebugText(std::string_view text);

}  // namespace zephrane
