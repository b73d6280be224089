#include "ZephraneApp/MainWindow/ScriptedApplications.hpp"

#include <utility>

#include <qcoro/qcorofuture.h>

#include "ZephraneApp/Concurrency/Actor.hpp"

namespace zephrane::mainwindow {
namespace {

using State = ScriptedApplications::State;

// Waits while held; throws while failing, as a stopped worker's call does.
QCoro::Task<void> answer(std::shared_ptr<State> state) {
    if (state->holding) {
        auto promise = std::make_shared<QPromise<void>>();
        promise->start();
        state->held.push_back(promise);
        co_await promise->future();
    }
    if (state->failing) throw ActorStopped{};
}

QCoro::Task<std::set<std::string>> scriptedIdentifiers(std::shared_ptr<State> state) {
    ++state->scans;
    co_await answer(state);
    // A copy: QCoro moves from an lvalue given to co_return.
    co_return std::set<std::string>(state->identifiers);
}

QCoro::Task<std::optional<workspace::ApplicationProcess>> scriptedApplication(std::shared_ptr<State> state,
                                                                               std::int32_t pid) {
    ++state->lookups;
    co_await answer(state);
    const auto found = state->applications.find(pid);
    if (found == state->applications.end()) co_return std::nullopt;
    co_return workspace::ApplicationProcess(found->second);
}

QCoro::Task<workspace::QuitOutcome> scriptedQuit(std::shared_ptr<State> state, std::int32_t pid, std::string name) {
    state->quits.push_back({pid, name});
    co_await answer(state);
    const auto found = state->applications.find(pid);
    if (found == state->applications.end()) co_return workspace::QuitOutcome::noSuchProcess;
    if (!workspace::isNamed(found->second, name)) co_return workspace::QuitOutcome::notNamed;
    state->applications.erase(found);
    co_return workspace::QuitOutcome::requested;
}

}  // namespace

ScriptedApplications::ScriptedApplications(QObject* parent) : RunningApplications(parent) {}

QCoro::Task<std::set<std::string>> ScriptedApplications::identifiers() { return scriptedIdentifiers(state_); }

QCoro::Task<std::optional<workspace::ApplicationProcess>> ScriptedApplications::application(std::int32_t pid) {
    return scriptedApplication(state_, pid);
}

QCoro::Task<workspace::QuitOutcome> ScriptedApplications::quit(std::int32_t pid, std::string name) {
    return scriptedQuit(state_, pid, std::move(name));
}

void ScriptedApplications::setApplications(std::vector<workspace::ApplicationProcess> applications) {
    state_->applications.clear();
    for (auto& application : applications) state_->applications[application.pid] = std::move(application);
}

void ScriptedApplications::reset() {
    release();
    *state_ = State{};
}

void ScriptedApplications::release() {
    auto held = std::exchange(state_->held, {});
    for (const auto& promise : held) promise->finish();
}

}  // namespace zephrane::mainwindow
