#include "platform/servicemanagement/ServiceStore.hpp"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>
#include <system_error>

#include <nlohmann/json.hpp>

#include "platform/servicemanagement/DaemonDefinition.hpp"

namespace zephrane::servicemanagement {

namespace {

using nlohmann::json;

constexpr std::size_t kMaxRecordBytes = 64 * 1024;
constexpr std::string_view kRecordSuffix = ".json";

std::optional<std::string> readRecordFile(const std::filesystem::path& path) {
    // O_NONBLOCK: a FIFO planted in place of a record must not hang the reader.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat status{};
    std::string content;
    bool good = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                static_cast<std::size_t>(status.st_size) <= kMaxRecordBytes;
    char buffer[4096];
    while (good) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            good = got == 0;
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
        good = content.size() <= kMaxRecordBytes;
    }
    ::close(fd);
    if (!good) return std::nullopt;
    return content;
}

// The object, or none when the text is not JSON or not an object.
std::optional<json> parseObject(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    json value = json::parse(*text, nullptr, false);
    if (value.is_discarded() || !value.is_object()) return std::nullopt;
    return value;
}

bool readString(const json& object, const char* key, std::string& out) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return false;
    out = it->get<std::string>();
    return true;
}

bool readServices(const json& object, std::vector<std::string>& out) {
    const auto it = object.find("machServices");
    if (it == object.end() || !it->is_array() || it->empty()) return false;
    for (const auto& item : *it) {
        if (!item.is_string()) return false;
        out.push_back(item.get<std::string>());
    }
    std::sort(out.begin(), out.end());
    return true;
}

std::filesystem::path recordPath(const std::filesystem::path& directory, std::string_view label) {
    return directory / (std::string(label) + std::string(kRecordSuffix));
}

// Written beside the old record and renamed over it: readers see the old
// record or the new one, never a mixture.
void writeAtomically(const std::filesystem::path& path, const std::string& content) {
    std::string temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "cannot create a file in " + path.parent_path().string());
    auto fail = [&](const char* what) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        throw std::system_error(error, std::generic_category(), std::string(what) + " " + path.string());
    };
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t done = ::write(fd, content.data() + written, content.size() - written);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) fail("cannot write");
        written += static_cast<std::size_t>(done);
    }
    if (::fchmod(fd, 0644) != 0) fail("cannot set the mode of");
    if (::fsync(fd) != 0) fail("cannot flush");
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw std::system_error(error, std::generic_category(), "cannot write " + path.string());
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw std::system_error(error, std::generic_category(), "cannot replace " + path.string());
    }
}

void createDirectories(const std::filesystem::path& directory) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) throw std::system_error(error, "cannot create " + directory.string());
}

bool removeFile(const std::filesystem::path& path) {
    if (::unlink(path.c_str()) == 0) return true;
    if (errno == ENOENT) return false;
    throw std::system_error(errno, std::generic_category(), "cannot remove " + path.string());
}

std::vector<std::string> labelsIn(const std::filesystem::path& directory) {
    std::vector<std::string> out;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.ends_with(kRecordSuffix)) continue;
        const std::string label = name.substr(0, name.size() - kRecordSuffix.size());
        if (isPlainName(label)) out.push_back(label);
    }
    return out;
}

}  // namespace

bool approves(const ApprovalRecord& approval, const RegistrationRecord& registration) {
    return approval.label == registration.label && approval.program == registration.program &&
           approval.machServices == registration.machServices;
}

std::filesystem::path defaultSystemRoot() {
    if (const char* root = std::getenv(kSystemRootVariable.data()); root && *root) return root;
    return "/";
}

std::string newRegistrationID() {
    unsigned char bytes[16];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t done = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) throw std::system_error(errno, std::generic_category(), "getrandom");
        got += static_cast<std::size_t>(done);
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char byte : bytes) {
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    }
    return out;
}

ServiceStore::ServiceStore(std::filesystem::path systemRoot) : root_(std::move(systemRoot)) {}

std::filesystem::path ServiceStore::stateDirectory() const {
    return root_ / "var" / "lib" / "zephrane" / "servicemanagement";
}
std::filesystem::path ServiceStore::registrationsDirectory() const { return stateDirectory() / "registrations"; }
std::filesystem::path ServiceStore::approvalsDirectory() const { return stateDirectory() / "approvals"; }

std::optional<RegistrationRecord> ServiceStore::registration(std::string_view label) const {
    if (!isPlainName(label)) return std::nullopt;
    const auto object = parseObject(readRecordFile(recordPath(registrationsDirectory(), label)));
    if (!object) return std::nullopt;
    RegistrationRecord record;
    if (!readString(*object, "label", record.label) || record.label != label ||
        !readString(*object, "plist", record.plist) || !readString(*object, "program", record.program) ||
        !readString(*object, "registrationID", record.registrationID) || !readServices(*object, record.machServices))
        return std::nullopt;
    return record;
}

std::vector<RegistrationRecord> ServiceStore::registrations() const {
    std::vector<RegistrationRecord> out;
    for (const auto& label : labelsIn(registrationsDirectory()))
        if (auto record = registration(label)) out.push_back(std::move(*record));
    return out;
}

void ServiceStore::writeRegistration(const RegistrationRecord& record) const {
    if (!isPlainName(record.label))
        throw std::system_error(std::make_error_code(std::errc::invalid_argument), "label \"" + record.label + "\"");
    createDirectories(registrationsDirectory());
    const json object{{"label", record.label},
                      {"plist", record.plist},
                      {"program", record.program},
                      {"machServices", record.machServices},
                      {"registrationID", record.registrationID}};
    writeAtomically(recordPath(registrationsDirectory(), record.label), object.dump(2) + "\n");
}

bool ServiceStore::removeRegistration(std::string_view label) const {
    if (!isPlainName(label)) return false;
    return removeFile(recordPath(registrationsDirectory(), label));
}

std::optional<std::string> ServiceStore::untrustedApprovalsReason(const TrustPolicy& policy) const {
    std::error_code error;
    const auto directory = std::filesystem::absolute(approvalsDirectory(), error).lexically_normal();
    if (error) return error.message();
    return untrustedPathReason(directory, policy, true);
}

std::optional<ApprovalRecord> ServiceStore::approval(std::string_view label, const TrustPolicy& policy) const {
    if (!isPlainName(label) || untrustedApprovalsReason(policy)) return std::nullopt;
    std::error_code error;
    const auto path = std::filesystem::absolute(recordPath(approvalsDirectory(), label), error).lexically_normal();
    if (error || untrustedPathReason(path, policy)) return std::nullopt;
    const auto object = parseObject(readRecordFile(path));
    if (!object) return std::nullopt;
    ApprovalRecord record;
    if (!readString(*object, "label", record.label) || record.label != label ||
        !readString(*object, "program", record.program) || !readServices(*object, record.machServices))
        return std::nullopt;
    return record;
}

std::vector<ApprovalRecord> ServiceStore::approvals(const TrustPolicy& policy) const {
    std::vector<ApprovalRecord> out;
    if (untrustedApprovalsReason(policy)) return out;
    for (const auto& label : labelsIn(approvalsDirectory()))
        if (auto record = approval(label, policy)) out.push_back(std::move(*record));
    return out;
}

void ServiceStore::writeApproval(const ApprovalRecord& record) const {
    if (!isPlainName(record.label))
        throw std::system_error(std::make_error_code(std::errc::invalid_argument), "label \"" + record.label + "\"");
    const mode_t previous = ::umask(022);
    std::error_code error;
    std::filesystem::create_directories(approvalsDirectory(), error);
    ::umask(previous);
    if (error) throw std::system_error(error, "cannot create " + approvalsDirectory().string());
    const json object{{"label", record.label}, {"program", record.program}, {"machServices", record.machServices}};
    writeAtomically(recordPath(approvalsDirectory(), record.label), object.dump(2) + "\n");
}

bool ServiceStore::removeApproval(std::string_view label) const {
    if (!isPlainName(label)) return false;
    return removeFile(recordPath(approvalsDirectory(), label));
}

std::vector<std::string> ServiceStore::labels() const {
    std::set<std::string> all;
    for (auto& label : labelsIn(registrationsDirectory())) all.insert(label);
    for (auto& label : labelsIn(approvalsDirectory())) all.insert(label);
    return {all.begin(), all.end()};
}

}  // namespace zephrane::servicemanagement
