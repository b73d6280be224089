#include "ZephraneApp/Services/Install/LegacyHelperInstall.hpp"

#include <cmath>
#include <cstdlib>
#include <filesystem>


#include "platform/adminscript/PkexecAppleScript.hpp"
#include "shared/HelperConstants.hpp"

namespace zephrane::LegacyHelperInstall {
namespace {

constexpr std::string_view kFailedPrefix = "The older fan-control helper could not be removed: ";
constexpr std::string_view kCancelledDescription =
    "Administrator approval was cancelled. The older helper was not removed.";
constexpr std::string_view kCouldNotCreate = "could not create the administrator approval request";
constexpr std::string_view kUnknownError = "unknown administrator error";

std::string rootedPath(std::string_view root, std::string_view absolutePath) {
    while (root.size() > 1 && root.ends_with('/')) root.remove_suffix(1);
    if (root.empty() || root == "/") return std::string(absolutePath);
    return std::string(root) + std::string(absolutePath);
}

std::string replacingAll(std::string_view text, std::string_view what, std::string_view with) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0;;) {
        const std::size_t found = text.find(what, at);
        if (found == std::string_view::npos) {
            out.append(text.substr(at));
            return out;
        }
        out.append(text.substr(at, found - at)).append(with);
        at = found + what.size();
    }
}

// White space and line ends in Unicode's sense (the Z categories, tab to
// carriage return, and NEL), read from UTF-8; broken UTF-8 is never space.
bool isSpaceCodePoint(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Length of the space character at the start of text, 0 when none.
std::size_t leadingSpace(std::string_view text) {
    if (text.empty()) return 0;
    const auto byte = static_cast<unsigned char>(text[0]);
    std::size_t length = byte < 0x80 ? 1 : (byte & 0xE0) == 0xC0 ? 2 : (byte & 0xF0) == 0xE0 ? 3 : 0;
    if (length == 0 || text.size() < length) return 0;
    char32_t c = length == 1 ? byte : length == 2 ? (byte & 0x1Fu) : (byte & 0x0Fu);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return 0;
        c = (c << 6) | (next & 0x3Fu);
    }
    return isSpaceCodePoint(c) ? length : 0;
}

// Length of the space character at the end of text, 0 when none.
std::size_t trailingSpace(std::string_view text) {
    // Every space character is at most three bytes long in UTF-8.
    for (std::size_t length = 1; length <= 3 && length <= text.size(); ++length) {
        const std::string_view tail = text.substr(text.size() - length);
        if (leadingSpace(tail) == length) return length;
    }
    return 0;
}

std::string trimmed(std::string_view text) {
    while (const std::size_t n = leadingSpace(text)) text.remove_prefix(n);
    while (const std::size_t n = trailingSpace(text)) text.remove_suffix(n);
    return std::string(text);
}

// The error number as an integer, stored as either kind of number; a
// floating number that no integer can hold counts as absent.
std::optional<std::int64_t> errorNumber(const adminscript::ErrorInfo& info) {
    const auto found = info.find(adminscript::errorNumberKey);
    if (found == info.end()) return std::nullopt;
    const adminscript::ErrorValue& value = found->second;
    switch (value.kind) {
        case adminscript::ErrorValue::Kind::integer: return value.integer;
        case adminscript::ErrorValue::Kind::floating:
            if (!std::isfinite(value.floating) || std::fabs(value.floating) >= 9.2e18) return std::nullopt;
            return static_cast<std::int64_t>(value.floating);
        case adminscript::ErrorValue::Kind::text: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> errorMessage(const adminscript::ErrorInfo& info) {
    const auto found = info.find(adminscript::errorMessageKey);
    if (found == info.end() || found->second.kind != adminscript::ErrorValue::Kind::text) return std::nullopt;
    return found->second.text;
}

}  // namespace

CleanupError::CleanupError(Kind kind, std::string detail)
    : kind_(kind),
      detail_(std::move(detail)),
      description_(kind == Kind::cancelled ? std::string(kCancelledDescription)
                                           : std::string(kFailedPrefix) + detail_) {}

Layout Layout::fromEnvironment() {
    const char* root = std::getenv("ZEPHRANE_SYSTEM_ROOT");
    if (root == nullptr || *root == '\0') return Layout{};
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(root, error);
    return underRoot(error ? std::string(root) : absolute.string());
}

Layout Layout::underRoot(const std::string& systemRoot) {
    Layout layout;
    layout.systemRoot = systemRoot.empty() ? "/" : systemRoot;
    layout.launchctl = layout.rooted("/bin/launchctl");
    return layout;
}

std::string Layout::rooted(std::string_view absolutePath) const { return rootedPath(systemRoot, absolutePath); }

bool isLegacyInstallPresent(const FileManager& fileManager, const Layout& layout) {
    return fileManager.fileExists(layout.rooted(legacyExecutablePath)) ||
           fileManager.fileExists(layout.rooted(legacyPropertyListPath));
}

std::string shellQuoted(std::string_view text) { return "'" + replacingAll(text, "'", "'\"'\"'") + "'"; }

std::string cleanupScript(std::string_view launchctl, std::string_view pgrep, std::string_view rm,
                          std::string_view systemRoot) {
    const std::string L = shellQuoted(launchctl);
    const std::string P = shellQuoted(pgrep);
    const std::string R = shellQuoted(rm);
    const std::string S = shellQuoted("system/" + std::string(HelperConstants::daemonLabel));
    const std::string H = shellQuoted(rootedPath(systemRoot, legacyExecutablePath));
    const std::string D = shellQuoted(rootedPath(systemRoot, legacyPropertyListPath));
    // Stop: only a failed bootout of a service that is still loaded fails.
    return "if ! " + L + " bootout " + S + " 2>/dev/null; then " + "if " + L + " print " + S +
           " >/dev/null 2>&1; then " + "echo 'The older helper could not be stopped.' >&2; exit 1; fi; fi; " +
           // Gone from launchd.
           "if " + L + " print " + S + " >/dev/null 2>&1; then " +
           "echo 'The older helper is still registered.' >&2; exit 1; fi; " +
           // No process runs it, matched on the whole command line.
           "if " + P + " -f -x " + H + " >/dev/null 2>&1; then " +
           "echo 'The older helper is still running.' >&2; exit 1; fi; " +
           // Delete.
           R + " -f -- " + H + " " + D;
}

std::string appleScriptSource(std::string_view shellScript) {
    // Backslashes first, or the backslashes of the later escapes would be
    // doubled again.
    std::string escaped = replacingAll(shellScript, "\\", "\\\\");
    escaped = replacingAll(escaped, "\"", "\\\"");
    escaped = replacingAll(escaped, "\r", "\\r");
    escaped = replacingAll(escaped, "\n", "\\n");
    return "do shell script \"" + escaped + "\" with administrator privileges";
}

std::optional<std::string> cleanupFailureReason(std::optional<std::int64_t> errorNumber,
                                                std::optional<std::string> errorMessage) {
    if (errorNumber == adminscript::userCanceledErrorNumber) return std::nullopt;
    if (errorMessage) {
        std::string message = trimmed(*errorMessage);
        if (!message.empty()) return message;
    }
    return std::string(kUnknownError);
}

void removeLegacyHelper() {
    adminscript::PkexecAppleScriptFactory scripts;
    removeLegacyHelper(scripts, Layout::fromEnvironment());
}

void removeLegacyHelper(adminscript::AppleScriptFactory& scripts, const Layout& layout) {
    const std::string source =
        appleScriptSource(cleanupScript(layout.launchctl, layout.pgrep, layout.rm, layout.systemRoot));
    const std::unique_ptr<adminscript::AppleScript> script = scripts.create(source);
    if (!script) throw CleanupError::failed(std::string(kCouldNotCreate));
    const std::optional<adminscript::ErrorInfo> error = script->execute();
    if (!error) return;
    std::optional<std::string> reason = cleanupFailureReason(errorNumber(*error), errorMessage(*error));
    if (!reason) throw CleanupError::cancelled();
    throw CleanupError::failed(std::move(*reason));
}

QCoro::Task<void> removeLegacyHelperInBackground(Actor& worker) {
    return removeLegacyHelperInBackground(worker, std::make_shared<adminscript::PkexecAppleScriptFactory>(),
                                          Layout::fromEnvironment());
}

QCoro::Task<void> removeLegacyHelperInBackground(Actor& worker, std::shared_ptr<adminscript::AppleScriptFactory> scripts,
                                                 Layout layout) {
    // The call owns copies of everything it touches, so an awaiting
    // coroutine that is destroyed early leaves nothing dangling. It resumes
    // the caller on its own thread and rethrows what the removal threw.
    return worker.call([scripts = std::move(scripts), layout = std::move(layout)] { removeLegacyHelper(*scripts, layout); });
}

}  // namespace zephrane::LegacyHelperInstall
