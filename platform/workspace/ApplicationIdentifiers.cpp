#include "platform/workspace/ApplicationIdentifiers.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include <nlohmann/json.hpp>

namespace zephrane::workspace {

std::string ApplicationIdentifiers::bundledPath() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return (program.parent_path().parent_path() / "Resources" / "application-identifiers.json").string();
}

std::string ApplicationIdentifiers::defaultPath() {
    const char* named = std::getenv("ZEPHRANE_APPLICATION_IDENTIFIERS");
    if (named != nullptr && *named != '\0') return named;
    return bundledPath();
}

ApplicationIdentifiers ApplicationIdentifiers::load(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > kMaximumFileSize) return {};
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return {};
    return parse(text);
}

ApplicationIdentifiers ApplicationIdentifiers::parse(std::string_view json) {
    ApplicationIdentifiers identifiers;
    const auto document = nlohmann::json::parse(json, nullptr, /*allow_exceptions=*/false);
    if (!document.is_object()) return identifiers;  // also what a parse error gives
    for (const auto& [name, value] : document.items()) {
        if (name.empty() || !value.is_string()) continue;
        auto identifier = value.get<std::string>();
        if (identifier.empty()) continue;
        identifiers.byName_.emplace(name, std::move(identifier));
    }
    return identifiers;
}

std::optional<std::string> ApplicationIdentifiers::identifier(std::string_view executableName) const {
    const auto found = byName_.find(executableName);
    if (found == byName_.end()) return std::nullopt;
    return found->second;
}

}  // namespace zephrane::workspace
