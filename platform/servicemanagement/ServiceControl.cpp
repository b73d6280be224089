#include "platform/servicemanagement/ServiceControl.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

#include "platform/servicemanagement/DaemonDefinition.hpp"
#include "platform/servicemanagement/ServiceStore.hpp"
#include "shared/DebugText.hpp"

namespace zephrane::servicemanagement {

namespace {

constexpr const char* kUsage =
    "usage: zephrane-servicectl [--root PATH] approve LABEL | revoke LABEL | status [LABEL]\n";

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

int approve(const ServiceStore& store, const std::string& label, std::ostream& out, std::ostream& err) {
    const auto registration = store.registration(label);
    if (!registration) {
        err << "zephrane-servicectl: " << quotedDebugText(label) << " is not registered\n";
        return 1;
    }
    // The record was written by an unprivileged app: believe it only as far
    // as the property list and the program on disk agree with it.
    DaemonDefinition definition;
    try {
        const std::filesystem::path plist = registration->plist;
        definition = readDaemonDefinition(bundleOfPlist(plist), plist);
    } catch (const DefinitionError& e) {
        err << "zephrane-servicectl: refusing to approve " << quotedDebugText(label) << ": " << e.what() << "\n";
        return 1;
    }
    if (definition.label != label || definition.program.string() != registration->program ||
        definition.machServices != registration->machServices) {
        err << "zephrane-servicectl: refusing to approve " << quotedDebugText(label)
            << ": the registration does not match its property list " << quotedDebugText(registration->plist)
            << "; register it again\n";
        return 1;
    }
    const TrustPolicy policy = TrustPolicy::forSystemRoot(store.systemRoot());
    if (auto reason = untrustedProgramReason(definition.program, policy)) {
        err << "zephrane-servicectl: refusing to approve " << quotedDebugText(label) << ": " << *reason << "\n";
        return 1;
    }
    try {
        store.writeApproval({label, definition.program.string(), definition.machServices});
    } catch (const std::system_error& e) {
        err << "zephrane-servicectl: cannot record the approval of " << quotedDebugText(label) << ": " << e.what()
            << "\n";
        return 1;
    }
    if (auto reason = store.untrustedApprovalsReason(policy)) {
        err << "zephrane-servicectl: approval recorded, but it will not be believed: " << *reason << "\n";
        return 1;
    }
    out << "approved " << quotedDebugText(label) << ": runs " << quotedDebugText(definition.program.string())
        << " as root on demand for " << joined(definition.machServices) << "\n";
    return 0;
}

int revoke(const ServiceStore& store, const std::string& label, std::ostream& out, std::ostream& err) {
    try {
        if (store.removeApproval(label)) out << "revoked " << quotedDebugText(label) << "\n";
        else out << quotedDebugText(label) << " was not approved\n";
        return 0;
    } catch (const std::system_error& e) {
        err << "zephrane-servicectl: cannot revoke " << quotedDebugText(label) << ": " << e.what() << "\n";
        return 1;
    }
}

std::string statusLine(const ServiceStore& store, const std::string& label, const TrustPolicy& policy) {
    const auto registration = store.registration(label);
    const auto approval = store.approval(label, policy);
    std::string line = label + ": ";
    if (!registration) return line + (approval ? "notRegistered (approved)" : "notRegistered");
    line += "program " + quotedDebugText(registration->program) + ", " + joined(registration->machServices) + ": ";
    if (!approval) return line + "requiresApproval";
    if (!approves(*approval, *registration)) return line + "requiresApproval (approved for another program)";
    if (auto reason = untrustedProgramReason(registration->program, policy))
        return line + "requiresApproval (" + *reason + ")";
    return line + "enabled";
}

}  // namespace

std::optional<std::string> administrationRefusal(const std::filesystem::path& systemRoot, uid_t caller) {
    if (caller == 0) return std::nullopt;
    struct stat status{};
    if (systemRoot != "/" && ::stat(systemRoot.c_str(), &status) == 0 && status.st_uid == caller)
        return std::nullopt;
    return "only root may approve or revoke daemons under " + quotedDebugText(systemRoot.string());
}

int runServiceControl(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::filesystem::path root = defaultSystemRoot();
    std::size_t next = 0;
    if (next < arguments.size() && arguments[next] == "--root") {
        if (next + 1 >= arguments.size() || arguments[next + 1].empty()) {
            err << kUsage;
            return 2;
        }
        root = arguments[next + 1];
        next += 2;
    }
    if (next >= arguments.size()) {
        err << kUsage;
        return 2;
    }
    const std::string command = arguments[next++];
    const std::vector<std::string> rest(arguments.begin() + static_cast<std::ptrdiff_t>(next), arguments.end());
    std::error_code error;
    root = std::filesystem::absolute(root, error).lexically_normal();
    const ServiceStore store(root);

    if (command == "status" && rest.size() <= 1) {
        const TrustPolicy policy = TrustPolicy::forSystemRoot(root);
        if (auto reason = store.untrustedApprovalsReason(policy);
            reason && std::filesystem::exists(store.approvalsDirectory()))
            err << "zephrane-servicectl: approvals are not believed: " << *reason << "\n";
        const auto labels = rest.empty() ? store.labels() : rest;
        for (const auto& label : labels) out << statusLine(store, label, policy) << "\n";
        return 0;
    }
    if ((command != "approve" && command != "revoke") || rest.size() != 1) {
        err << kUsage;
        return 2;
    }
    const std::string& label = rest.front();
    if (!isPlainName(label)) {
        err << "zephrane-servicectl: " << quotedDebugText(label) << " is not a label\n";
        return 2;
    }
    if (auto refusal = administrationRefusal(root, ::geteuid())) {
        err << "zephrane-servicectl: " << *refusal << "\n";
        return 1;
    }
    return command == "approve" ? approve(store, label, out, err) : revoke(store, label, out, err);
}

}  // namespace zephrane::servicemanagement
