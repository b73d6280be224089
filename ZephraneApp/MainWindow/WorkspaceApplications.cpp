#include "ZephraneApp/MainWindow/WorkspaceApplications.hpp"

#include <unistd.h>

#include "platform/workspace/ApplicationScan.hpp"

namespace zephrane::mainwindow {

struct WorkspaceApplications::Core {
    std::string identifiersFile;
    std::optional<workspace::ApplicationIdentifiers> identifiers;

    std::set<std::string> scan() {
        if (!identifiers) identifiers = workspace::ApplicationIdentifiers::load(identifiersFile);
        std::set<std::string> running;
        for (const auto& application :
             workspace::scanApplications("/proc", static_cast<std::uint32_t>(::geteuid()), *identifiers))
            if (application.bundleIdentifier) running.insert(*application.bundleIdentifier);
        return running;
    }
};

WorkspaceApplications::WorkspaceApplications(std::string identifiersFile, QObject* parent)
    : RunningApplications(parent), core_(std::make_unique<Core>(Core{std::move(identifiersFile), std::nullopt})) {}

WorkspaceApplications::~WorkspaceApplications() { worker_.stop(); }

QCoro::Task<std::set<std::string>> WorkspaceApplications::identifiers() {
    return worker_.call([core = core_.get()] { return core->scan(); });
}

QCoro::Task<std::optional<workspace::ApplicationProcess>> WorkspaceApplications::application(std::int32_t pid) {
    return worker_.call([pid] { return workspace::runningApplication(pid); });
}

QCoro::Task<workspace::QuitOutcome> WorkspaceApplications::quit(std::int32_t pid, std::string name) {
    return worker_.call([pid, name = std::move(name)] { return workspace::quitApplication(pid, name); });
}

}  // namespace zephrane::mainwindow
