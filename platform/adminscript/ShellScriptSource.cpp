#include "platform/adminscript/ShellScriptSource.hpp"

namespace zephrane::adminscript {
namespace {

constexpr std::string_view kPrefix = "do shell script \"";
constexpr std::string_view kSuffix = "\" with administrator privileges";

}  // namespace

std::optional<std::string> shellScriptFromSource(std::string_view source) {
    // The length test comes first: a short text could match the prefix and
    // the suffix on one shared quote.
    if (source.size() < kPrefix.size() + kSuffix.size()) return std::nullopt;
    if (!source.starts_with(kPrefix) || !source.ends_with(kSuffix)) return std::nullopt;
    const std::string_view body = source.substr(kPrefix.size(), source.size() - kPrefix.size() - kSuffix.size());

    std::string script;
    script.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\0') return std::nullopt;
        // An unescaped quote would end the string early: what follows it is
        // not part of this form.
        if (c == '"') return std::nullopt;
        if (c != '\\') {
            script.push_back(c);
            continue;
        }
        if (++i == body.size()) return std::nullopt;  // the backslash escapes the closing quote
        switch (body[i]) {
            case '\\': script.push_back('\\'); break;
            case '"': script.push_back('"'); break;
            case 'r': script.push_back('\r'); break;
            case 'n': script.push_back('\n'); break;
            default: return std::nullopt;
        }
    }
    return script;
}

}  // namespace zephrane::adminscript
