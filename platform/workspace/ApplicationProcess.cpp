#include "platform/workspace/ApplicationProcess.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <filesystem>
#include <sstream>

#include <QString>

#include "platform/proc/LinuxProcessTable.hpp"
#include "platform/proc/ProcessDescriptor.hpp"
#include "platform/proc/SmallFile.hpp"

namespace zephrane::workspace {
namespace {

// An environment is rarely beyond a few KiB; one this large is not looked through.
constexpr std::size_t kMaximumEnvironment = 1024 * 1024;

std::string entryPath(const ApplicationProcessOptions& options, std::int32_t pid, const char* leaf = nullptr) {
    std::string path = options.procRoot + "/" + std::to_string(pid);
    if (leaf != nullptr) path += std::string("/") + leaf;
    return path;
}

std::uint32_t userOf(const ApplicationProcessOptions& options) {
    return options.user.value_or(static_cast<std::uint32_t>(::geteuid()));
}

// The controlling terminal's device number from the stat line: the fifth
// field after the parenthesised name (which may itself hold spaces and
// parentheses, hence the last ')').
bool hasTerminal(const ApplicationProcessOptions& options, std::int32_t pid) {
    const auto line = proc::readSmallFile(entryPath(options, pid, "stat"), {.firstLineOnly = true});
    if (!line) return false;
    const auto close = line->rfind(')');
    if (close == std::string::npos) return false;
    std::istringstream fields(line->substr(close + 1));
    std::string state, parent, group, session, terminal;
    if (!(fields >> state >> parent >> group >> session >> terminal)) return false;
    long long device = 0;
    const auto [end, error] = std::from_chars(terminal.data(), terminal.data() + terminal.size(), device);
    return error == std::errc{} && device != 0;
}

bool startedIntoDisplay(const ApplicationProcessOptions& options, std::int32_t pid) {
    const auto environment =
        proc::readSmallFile(entryPath(options, pid, "environ"), {.maxBytes = kMaximumEnvironment});
    if (!environment || environment->size() > kMaximumEnvironment) return false;
    std::string_view rest(*environment);
    while (!rest.empty()) {
        const auto end = rest.find('\0');
        const std::string_view entry = rest.substr(0, end);
        if (entry.starts_with("DISPLAY=") || entry.starts_with("WAYLAND_DISPLAY=")) return true;
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return false;
}

std::optional<std::string> bundleNameOf(const std::filesystem::path& executable) {
    // .../Name.app/Contents/MacOS/program
    const auto macos = executable.parent_path();
    const auto contents = macos.parent_path();
    const auto bundle = contents.parent_path();
    if (macos.filename() != "MacOS" || contents.filename() != "Contents" || bundle.extension() != ".app")
        return std::nullopt;
    auto stem = bundle.stem().string();
    if (stem.empty()) return std::nullopt;
    return stem;
}

ActivationPolicy policyOf(const ApplicationProcessOptions& options, std::int32_t pid, std::uint32_t owner) {
    if (owner != userOf(options)) return ActivationPolicy::prohibited;
    if (pid == options.selfPid.value_or(static_cast<std::int32_t>(::getpid()))) return ActivationPolicy::accessory;
    if (hasTerminal(options, pid) || startedIntoDisplay(options, pid)) return ActivationPolicy::regular;
    return ActivationPolicy::prohibited;
}

// Closes the pinning descriptor on every way out.
class PinnedProcess {
public:
    explicit PinnedProcess(std::int32_t pid) : fd_(proc::openProcessDescriptor(pid)) {}
    ~PinnedProcess() {
        if (fd_ >= 0) ::close(fd_);
    }
    PinnedProcess(const PinnedProcess&) = delete;
    PinnedProcess& operator=(const PinnedProcess&) = delete;

    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<ApplicationProcess> runningApplication(std::int32_t pid, const ApplicationProcessOptions& options) {
    if (pid < 1) return std::nullopt;
    struct stat entry {};
    if (::stat(entryPath(options, pid).c_str(), &entry) != 0) return std::nullopt;
    proc::LinuxProcessTable table(options.procRoot);
    const auto executable = table.executablePath(pid);
    if (!executable) return std::nullopt;
    const std::filesystem::path path(*executable);
    ApplicationProcess application{
        .pid = pid,
        .localizedName = table.shortName(pid).value_or(""),
        .bundleName = bundleNameOf(path),
        .executableName = path.filename().string(),
        .activationPolicy = policyOf(options, pid, entry.st_uid),
    };
    return application;
}

bool isNamed(const ApplicationProcess& application, std::string_view name) {
    const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    const auto same = [&wanted](const std::string& candidate) {
        return !candidate.empty() && QString::fromStdString(candidate).compare(wanted, Qt::CaseInsensitive) == 0;
    };
    return same(application.localizedName) || (application.bundleName && same(*application.bundleName)) ||
           same(application.executableName);
}

QuitOutcome quitApplication(std::int32_t pid, std::string_view name, const ApplicationProcessOptions& options,
                            const std::function<void()>& pinned) {
    if (pid < 1) return QuitOutcome::noSuchProcess;
    const PinnedProcess process(pid);
    if (process.fd() < 0) return errno == ESRCH ? QuitOutcome::noSuchProcess : QuitOutcome::failed;
    if (pinned) pinned();

    const auto application = runningApplication(pid, options);
    // Names read after the pinned process ended may be a newcomer's that
    // took its number: nothing read now can be trusted.
    if (!application || proc::processDescriptorExited(process.fd())) return QuitOutcome::noSuchProcess;
    struct stat entry {};
    if (::stat(entryPath(options, pid).c_str(), &entry) != 0) return QuitOutcome::noSuchProcess;
    if (entry.st_uid != userOf(options)) return QuitOutcome::notPermitted;
    if (!isNamed(*application, name)) return QuitOutcome::notNamed;
    if (proc::signalProcessDescriptor(process.fd(), SIGTERM)) return QuitOutcome::requested;
    return errno == ESRCH ? QuitOutcome::noSuchProcess : QuitOutcome::failed;
}

}  // namespace zephrane::workspace
