#include "ServiceTestSupport.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "platform/servicemanagement/ServiceControl.hpp"

extern char** environ;

namespace zephrane::servicemanagement::testing {

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
}

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern = "/tmp/zephrane-sm-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

TestBundle::TestBundle(const std::filesystem::path& parent, std::string_view name) : path_(parent / name) {
    std::filesystem::create_directories(path_ / "Contents" / "MacOS");
    std::filesystem::create_directories(path_ / "Contents" / "Library" / "LaunchDaemons");
}

std::filesystem::path TestBundle::plistPath(std::string_view plistName) const {
    return path_ / "Contents" / "Library" / "LaunchDaemons" / std::string(plistName);
}

std::filesystem::path TestBundle::installProgram(const std::filesystem::path& source, std::string_view name) const {
    const auto target = path_ / "Contents" / "MacOS" / std::string(name);
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(target, std::filesystem::perms(0755));
    return target;
}

void TestBundle::writePlist(std::string_view plistName, std::string_view label, std::string_view bundleProgram,
                            const std::vector<std::string>& machServices) const {
    std::string services;
    for (const auto& name : machServices) services += "\t\t<key>" + name + "</key>\n\t\t<true/>\n";
    writeRawPlist(plistName, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<plist version=\"1.0\">\n<dict>\n"
                             "\t<key>Label</key>\n\t<string>" + std::string(label) + "</string>\n"
                             "\t<key>BundleProgram</key>\n\t<string>" + std::string(bundleProgram) + "</string>\n"
                             "\t<key>MachServices</key>\n\t<dict>\n" + services + "\t</dict>\n"
                             "</dict>\n</plist>\n");
}

void TestBundle::writeRawPlist(std::string_view plistName, std::string_view content) const {
    std::ofstream(plistPath(plistName), std::ios::trunc) << content;
}

void approveForTest(const std::filesystem::path& systemRoot, const std::string& label) {
    std::ostringstream out;
    std::ostringstream err;
    if (runServiceControl({"--root", systemRoot.string(), "approve", label}, out, err) != 0)
        throw std::runtime_error(err.str());
}

namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& overrides) {
    std::map<std::string, std::string> entries;
    auto add = [&](const std::string& entry) { entries[entry.substr(0, entry.find('='))] = entry; };
    for (char** e = environ; *e != nullptr; ++e) add(*e);
    for (const auto& entry : overrides) add(entry);
    std::vector<std::string> out;
    for (auto& [name, entry] : entries) out.push_back(entry);
    return out;
}

}  // namespace

LaunchdProcess::LaunchdProcess(const LaunchdLaunch& launch) : launch_(launch) {
    if (launch_.log.empty()) launch_.log = launch_.systemRoot.parent_path() / "launchd.log";
    std::filesystem::create_directories(launch_.systemRoot);
    std::filesystem::create_directories(launch_.socketDirectory);
    std::vector<std::string> arguments{launch_.program.string(), "--root", launch_.systemRoot.string(), "--xpc-dir",
                                       launch_.socketDirectory.string(), "--poll", "20"};
    arguments.insert(arguments.end(), launch_.arguments.begin(), launch_.arguments.end());
    std::vector<std::string> environment = mergedEnvironment(launch_.environment);
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const std::string log = launch_.log.string();
    const pid_t parent = ::getpid();

    pid_ = ::fork();
    if (pid_ < 0) throw std::system_error(errno, std::generic_category(), "fork");
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(126);
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || out < 0) ::_exit(126);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        ::close_range(3, ~0U, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
}

LaunchdProcess::~LaunchdProcess() {
    if (!stop(kGenerousDeadline) && !hasExited()) {
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

std::filesystem::path LaunchdProcess::socketPath(std::string_view service) const {
    return launch_.socketDirectory / std::string(service);
}

bool LaunchdProcess::waitUntilStarted() {
    return waitForLog("zephrane-launchd started") && !hasExited();
}

bool LaunchdProcess::waitForSocket(std::string_view service) {
    const auto path = socketPath(service);
    return eventually([&] {
        if (hasExited()) return true;
        const int fd = connectTo(path);
        if (fd < 0) return false;
        ::close(fd);
        return true;
    }) && !hasExited();
}

bool LaunchdProcess::waitForListening(std::string_view service) {
    return waitForLog("listening on \"" + socketPath(service).string() + "\"") && !hasExited();
}

bool LaunchdProcess::waitForLog(std::string_view fragment, std::chrono::milliseconds limit) const {
    return eventually([&] { return countLog(fragment) > 0; }, limit);
}

std::size_t LaunchdProcess::countLog(std::string_view fragment) const {
    std::ifstream in(launch_.log);
    std::string line;
    std::size_t count = 0;
    while (std::getline(in, line))
        if (line.find(fragment) != std::string::npos) ++count;
    return count;
}

std::string LaunchdProcess::logText() const {
    std::ifstream in(launch_.log);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool LaunchdProcess::hasExited() {
    if (status_) return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
    return status_.has_value();
}

std::optional<int> LaunchdProcess::stop(std::chrono::milliseconds limit) {
    if (!hasExited()) ::kill(pid_, SIGTERM);
    eventually([&] { return hasExited(); }, limit);
    return status_;
}

int connectTo(const std::filesystem::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) {
        ::close(fd);
        return -1;
    }
    std::memcpy(address.sun_path, text.data(), text.size());
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> exchangeLine(int fd, std::string_view line, std::chrono::milliseconds limit) {
    const std::string message = std::string(line) + "\n";
    if (::send(fd, message.data(), message.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(message.size()))
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string reply;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) continue;
        char c = 0;
        const ssize_t got = ::recv(fd, &c, 1, 0);
        if (got <= 0) return std::nullopt;
        if (c == '\n') return reply;
        reply += c;
    }
}

bool processExists(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return false;
    const auto close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

}  // namespace zephrane::servicemanagement::testing
