// Running applications in memory, for presenter tests and the gallery: the
// test says which identifiers run and which processes exist, reads back the
// quits asked for, and may hold the answers back or make them fail, to see
// what the window does while a scan hangs or after one failed.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QFuture>
#include <QPromise>

#include "ZephraneApp/MainWindow/RunningApplications.hpp"

namespace zephrane::mainwindow {

class ScriptedApplications final : public RunningApplications {
    Q_OBJECT
    QML_ANONYMOUS

public:
    struct Quit {
        std::int32_t pid;
        std::string name;
        friend bool operator==(const Quit&, const Quit&) = default;
    };

    explicit ScriptedApplications(QObject* parent = nullptr);

    QCoro::Task<std::set<std::string>> identifiers() override;
    QCoro::Task<std::optional<workspace::ApplicationProcess>> application(std::int32_t pid) override;
    QCoro::Task<workspace::QuitOutcome> quit(std::int32_t pid, std::string name) override;

    void setIdentifiers(std::set<std::string> identifiers) { state_->identifiers = std::move(identifiers); }
    void setApplications(std::vector<workspace::ApplicationProcess> applications);
    // Back to nothing running, nothing held, nothing failing, nothing asked.
    void reset();

    // While held, calls wait; release() answers them all with what is set
    // then (or fails them, while failing).
    void hold() { state_->holding = true; }
    void release();
    // Calls from now on fail (as a stopped worker's do) until cleared.
    void setFailing(bool failing) { state_->failing = failing; }

    int identifierScans() const { return state_->scans; }
    int lookups() const { return state_->lookups; }
    const std::vector<Quit>& quits() const { return state_->quits; }
    std::size_t waiting() const { return state_->held.size(); }

    // Shared with the calls in flight, which may outlive the object.
    struct State {
        std::set<std::string> identifiers;
        std::map<std::int32_t, workspace::ApplicationProcess> applications;
        bool holding = false;
        bool failing = false;
        int scans = 0;
        int lookups = 0;
        std::vector<Quit> quits;
        std::vector<std::shared_ptr<QPromise<void>>> held;
    };

private:
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace zephrane::mainwindow
