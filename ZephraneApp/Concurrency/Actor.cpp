#include "ZephraneApp/Concurrency/Actor.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include <QMetaObject>

namespace zephrane {
namespace detail {

struct ActorState {
    std::mutex mutex;
    std::condition_variable changed;
    QObject* context = nullptr;  // null once stopping: nothing more is posted
    bool stopping = false;
    bool waitsEnded = false;  // everything posted before stop() began has run
    int busy = 0;             // coroutines running on the actor
    std::uint64_t nextId = 1;
    std::map<std::uint64_t, std::function<void()>> waits;  // their aborts
    std::map<std::uint64_t, std::function<void()>> calls;  // fail their callers
};

}  // namespace detail

namespace {

constexpr int kBackgroundNice = 10;

// Runs on the actor thread once everything posted before stop() began has
// run: ends every wait, so the tasks behind them finish.
void endWaits(detail::ActorState& state) {
    std::map<std::uint64_t, std::function<void()>> waits;
    {
        std::lock_guard lock(state.mutex);
        waits.swap(state.waits);
    }
    for (auto& [id, abort] : waits) abort();
    std::lock_guard lock(state.mutex);
    state.waitsEnded = true;
    state.changed.notify_all();
}

}  // namespace

bool ActorHandle::post(std::function<void()> fn) const {
    std::lock_guard lock(state_->mutex);
    if (state_->stopping || state_->context == nullptr) return false;
    QMetaObject::invokeMethod(state_->context, std::move(fn), Qt::QueuedConnection);
    return true;
}

bool ActorHandle::stopping() const {
    std::lock_guard lock(state_->mutex);
    return state_->stopping;
}

ActorHandle::Wait::Wait(const ActorHandle& actor, std::function<void()> abort) : state_(actor.state_) {
    std::lock_guard lock(state_->mutex);
    if (state_->stopping) throw ActorStopped{};
    id_ = state_->nextId++;
    state_->waits.emplace(id_, std::move(abort));
}

ActorHandle::Wait::~Wait() {
    std::function<void()> released;  // destroyed outside the lock
    std::lock_guard lock(state_->mutex);
    if (auto found = state_->waits.find(id_); found != state_->waits.end()) {
        released = std::move(found->second);
        state_->waits.erase(found);
    }
}

ActorHandle::Busy::Busy(const ActorHandle& actor) : state_(actor.state_) {
    std::lock_guard lock(state_->mutex);
    ++state_->busy;
}

ActorHandle::Busy::~Busy() {
    std::lock_guard lock(state_->mutex);
    --state_->busy;
    state_->changed.notify_all();
}

Actor::Actor(const QString& name, Priority priority) : state_(std::make_shared<detail::ActorState>()) {
    thread_.setObjectName(name);
    context_ = new QObject;  // deleted on its own thread when the loop ends
    context_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, context_, &QObject::deleteLater);
    state_->context = context_;
    thread_.start();
    if (priority == Priority::background) {
        // Qt's thread priorities do not reach the nice value of a normal
        // Linux thread; the kernel's per-thread nice does. Failing to lower
        // it changes nothing else.
        post([] { ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kBackgroundNice); });
    }
}

Actor::~Actor() { stop(); }

void Actor::stop() {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopping) return;
        // No call is taken from here on; what was posted before still runs.
        QMetaObject::invokeMethod(context_, [state = state_] { endWaits(*state); }, Qt::QueuedConnection);
        state_->stopping = true;
    }
    {
        std::unique_lock lock(state_->mutex);
        state_->changed.wait(lock, [this] { return state_->waitsEnded; });
        state_->changed.wait_for(lock, kStopLimit, [this] { return state_->busy == 0; });
        state_->context = nullptr;
    }
    thread_.quit();
    thread_.wait();
    context_ = nullptr;

    std::map<std::uint64_t, std::function<void()>> calls;
    {
        std::lock_guard lock(state_->mutex);
        calls.swap(state_->calls);
    }
    for (auto& [id, fail] : calls) fail();
}

std::uint64_t Actor::track(std::function<void()> fail) {
    std::lock_guard lock(state_->mutex);
    const std::uint64_t id = state_->nextId++;
    state_->calls.emplace(id, std::move(fail));
    return id;
}

void Actor::untrack(detail::ActorState& state, std::uint64_t id) {
    std::function<void()> released;  // holds the promise: let go outside the lock
    std::lock_guard lock(state.mutex);
    if (auto found = state.calls.find(id); found != state.calls.end()) {
        released = std::move(found->second);
        state.calls.erase(found);
    }
}

}  // namespace zephrane
