#include "platform/servicemanagement/LoginItem.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "platform/servicemanagement/SystemServiceManager.hpp"

namespace zephrane::servicemanagement {
namespace {

Error makeError(std::int64_t code, std::string description) {
    return Error{std::string(kErrorDomain), code, std::move(description)};
}

// An Exec argument quoted as the desktop entry rules ask: inside double
// quotes, `"`, backquote, `$` and backslash take a backslash; then the value
// as a whole doubles every backslash, and a literal % is written %%.
std::string quotedExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        if (c == '\\') value += "\\\\";
        else if (c == '%') value += "%%";
        else value += c;
    }
    return value;
}

std::system_error lastError(const char* what) { return {errno, std::generic_category(), what}; }

// Written beside the entry and renamed over it, so the session never reads
// half an entry.
void writeAtomically(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::string temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) throw lastError("cannot create the entry");
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const auto error = lastError("cannot write the entry");
            ::close(fd);
            ::unlink(temporary.c_str());
            throw error;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd, 0644) != 0 || ::close(fd) != 0) {
        const auto error = lastError("cannot finish the entry");
        ::unlink(temporary.c_str());
        throw error;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const auto error = lastError("cannot put the entry in place");
        ::unlink(temporary.c_str());
        throw error;
    }
}

}  // namespace

LoginItem::LoginItem(std::filesystem::path autostartDirectory, std::filesystem::path program)
    : entry_(std::move(autostartDirectory) / kEntryFileName), program_(std::move(program)) {}

LoginItem LoginItem::forCurrentUser() {
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        config = std::filesystem::path(home) / ".config";
    }
    std::error_code ignored;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ignored);
    return LoginItem(config / "autostart", program);
}

std::optional<std::string> LoginItem::entryText(const std::filesystem::path& program) {
    const std::string path = program.string();
    if (path.find_first_of("\r\n") != std::string::npos) return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Brumalune\n"
           "Comment=Fan control\n"
           "Exec=" +
           quotedExecArgument(path) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

Status LoginItem::status() const {
    std::error_code error;
    return std::filesystem::is_regular_file(entry_, error) ? Status::enabled : Status::notRegistered;
}

std::optional<Error> LoginItem::registerService() const {
    if (program_.empty() || entry_.parent_path().empty() || !entry_.is_absolute())
        return makeError(kSMErrorInternalFailure, "cannot add the app to the login items: no place to record it");
    const auto text = entryText(program_);
    if (!text)
        return makeError(kSMErrorInvalidPlist, "cannot add the app to the login items: its path has a line break");
    try {
        writeAtomically(entry_, *text);
    } catch (const std::system_error& e) {  // filesystem errors too
        return makeError(kSMErrorInternalFailure, "cannot add the app to the login items: " + e.code().message());
    }
    return std::nullopt;
}

std::optional<Error> LoginItem::unregisterService() const {
    std::error_code error;
    if (std::filesystem::remove(entry_, error)) return std::nullopt;
    if (error)
        return makeError(kSMErrorInternalFailure,
                         "cannot remove the app from the login items: " + error.message());
    return makeError(kSMErrorJobNotFound, "cannot remove the app from the login items: it is not registered");
}

}  // namespace zephrane::servicemanagement
