// The running applications of the user's desktop, read from /proc through
// the workspace stand-in on a worker of their own: a scan of every process
// is a few milliseconds of file reads, and one process's entry can be slow
// to read, so neither runs on the GUI thread.
#pragma once

#include <memory>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "ZephraneApp/MainWindow/RunningApplications.hpp"
#include "platform/workspace/ApplicationIdentifiers.hpp"

namespace zephrane::mainwindow {

class WorkspaceApplications final : public RunningApplications {
    Q_OBJECT
    QML_ANONYMOUS

public:
    // The identifiers are read from `identifiersFile` on first use.
    explicit WorkspaceApplications(std::string identifiersFile = workspace::ApplicationIdentifiers::defaultPath(),
                                   QObject* parent = nullptr);
    ~WorkspaceApplications() override;

    QCoro::Task<std::set<std::string>> identifiers() override;
    QCoro::Task<std::optional<workspace::ApplicationProcess>> application(std::int32_t pid) override;
    QCoro::Task<workspace::QuitOutcome> quit(std::int32_t pid, std::string name) override;

private:
    struct Core;
    std::unique_ptr<Core> core_;  // touched on the worker only; outlives it
    Actor worker_{QStringLiteral("RunningApplications")};
};

}  // namespace zephrane::mainwindow
