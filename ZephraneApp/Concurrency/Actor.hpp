// A serial executor for the app's services: one thread of its own with an
// event loop, owned, stopped and joined by the object that holds the Actor.
// Work handed to it runs there, one piece at a time; callers on any thread
// with an event loop co_await call() and resume on their own thread.
//
// call() takes a function returning either a value or a QCoro::Task. A task
// runs on the actor thread and may suspend; while it waits, other calls of
// the same actor run (actors are reentrant at their suspension points, so a
// long fan write never blocks a heartbeat). An exception thrown by the
// function reaches the awaiting caller.
//
// Stopping (stop(), or destruction) never leaves a caller waiting:
//   - a call made once the actor is stopping fails at once with ActorStopped;
//   - everything handed over before runs to its end;
//   - every wait a running task registered (ActorHandle::Wait) is ended, so
//     its task finishes now instead of at its time-out;
//   - the thread is joined; a call whose task still had not finished by
//     then fails with ActorStopped.
// A synchronous function cannot be interrupted: stopping waits for the one
// that is running. Services whose work may block for long make it
// cancellable and cancel it before they stop their actor.
#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QThread>

#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotask.h>

namespace zephrane {

struct ActorStopped : std::runtime_error {
    ActorStopped() : std::runtime_error("actor stopped before the call ran") {}
};

namespace detail {
template <typename T>
struct TaskValue {
    using Type = T;
    static constexpr bool isTask = false;
};
template <typename T>
struct TaskValue<QCoro::Task<T>> {
    using Type = T;
    static constexpr bool isTask = true;
};
template <typename F>
using CallResult = TaskValue<std::invoke_result_t<F&>>;

struct ActorState;
}  // namespace detail

// A reference to an actor that may outlive it: work posted through it runs
// on the actor while the actor takes work and is dropped afterwards. Copy it
// into handlers that run on other threads (connection callbacks) and into
// objects that live on the actor.
class ActorHandle {
public:
    // Runs fn on the actor thread without waiting for it; false (fn is
    // dropped unrun) once the actor is stopping.
    bool post(std::function<void()> fn) const;

    // Whether the actor has begun to stop; from any thread.
    bool stopping() const;

    // A wait of a task running on the actor (a reply, a timer, another
    // thread's completion): stopping the actor calls `abort` on the actor
    // thread, which must end the wait at once (typically by resuming it with
    // ActorStopped). Made once the actor is stopping, it throws ActorStopped
    // instead, before the wait begins. Create and destroy it on the actor
    // thread.
    class Wait {
    public:
        Wait(const ActorHandle& actor, std::function<void()> abort);
        ~Wait();
        Wait(const Wait&) = delete;
        Wait& operator=(const Wait&) = delete;

    private:
        std::shared_ptr<detail::ActorState> state_;
        std::uint64_t id_ = 0;
    };

    // Counts a coroutine that runs on the actor without having been started
    // by call() (a loop the service starts for itself): stopping waits for it
    // to end.
    class Busy {
    public:
        explicit Busy(const ActorHandle& actor);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        std::shared_ptr<detail::ActorState> state_;
    };

private:
    friend class Actor;
    explicit ActorHandle(std::shared_ptr<detail::ActorState> state) : state_(std::move(state)) {}
    std::shared_ptr<detail::ActorState> state_;
};

class Actor {
public:
    enum class Priority {
        normal,
        background,  // below interactive work: file exports, slow probes
    };

    // How long stop() waits for tasks to finish once their waits have been
    // ended; a task still running then is a bug, and its caller is failed.
    static constexpr std::chrono::seconds kStopLimit{5};

    explicit Actor(const QString& name, Priority priority = Priority::normal);
    ~Actor();
    Actor(const Actor&) = delete;
    Actor& operator=(const Actor&) = delete;

    // See the file comment. Idempotent; called from one thread at a time,
    // never the actor's own.
    void stop();

    bool isCurrent() const { return QThread::currentThread() == &thread_; }
    QThread* thread() { return &thread_; }
    // Lives on the actor thread: a context for timers, sockets and queued
    // slots. Valid until the actor has stopped.
    QObject* context() const { return context_; }
    ActorHandle handle() const { return ActorHandle(state_); }

    // Runs fn (copyable) on the actor thread without waiting for it; false
    // (fn is dropped unrun) once the actor is stopping.
    template <typename F>
    bool post(F fn) {
        return handle().post(std::function<void()>(std::move(fn)));
    }

    template <typename F>
    auto call(F fn) -> QCoro::Task<typename detail::CallResult<F>::Type> {
        using R = typename detail::CallResult<F>::Type;
        auto promise = std::make_shared<QPromise<R>>();
        QFuture<R> future = promise->future();
        promise->start();
        const std::uint64_t id = track([promise] { failUnfinished(*promise); });
        // A call refused or dropped unrun (the actor stopped first) destroys
        // the functor: the guard then fails the promise instead of leaving
        // the caller waiting for ever.
        auto guard = std::shared_ptr<void>(nullptr, [promise](void*) { failUnfinished(*promise); });
        auto state = state_;
        const bool taken = post([fn = std::move(fn), promise, guard = std::move(guard), state, id]() mutable {
            run(std::move(fn), promise, std::move(guard), std::move(state), id);
        });
        if (!taken) untrack(*state_, id);
        return awaitResult(std::move(future));
    }

private:
    template <typename R>
    static void failUnfinished(QPromise<R>& promise) {
        if (promise.future().isFinished()) return;
        promise.setException(std::make_exception_ptr(ActorStopped{}));
        promise.finish();
    }

    // Not a member coroutine: it must not touch the actor after it resumes,
    // as the actor may be gone by then.
    template <typename R>
    static QCoro::Task<R> awaitResult(QFuture<R> future) {
        // Awaiting the future resumes on this thread and rethrows what fn threw.
        if constexpr (std::is_void_v<R>) {
            co_await future;
        } else {
            R value = co_await future;
            co_return value;
        }
    }

    template <typename R, typename F>
    static QCoro::Task<void> runTask(F fn, std::shared_ptr<QPromise<R>> promise, std::shared_ptr<void> guard,
                                     std::shared_ptr<detail::ActorState> state, std::uint64_t id) {
        ActorHandle::Busy busy{ActorHandle(state)};
        try {
            if constexpr (std::is_void_v<R>) {
                co_await fn();
            } else {
                R value = co_await fn();
                promise->addResult(std::move(value));
            }
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
        untrack(*state, id);
        guard.reset();
    }

    template <typename F, typename R>
    static void run(F fn, std::shared_ptr<QPromise<R>> promise, std::shared_ptr<void> guard,
                    std::shared_ptr<detail::ActorState> state, std::uint64_t id) {
        if constexpr (detail::CallResult<F>::isTask) {
            runTask<R>(std::move(fn), std::move(promise), std::move(guard), std::move(state), id);
        } else {
            try {
                if constexpr (std::is_void_v<R>) {
                    fn();
                } else {
                    promise->addResult(fn());
                }
            } catch (...) {
                promise->setException(std::current_exception());
            }
            promise->finish();
            untrack(*state, id);
        }
    }

    // The calls whose callers still wait, so that stop() can fail those
    // whose task never finished.
    std::uint64_t track(std::function<void()> fail);
    static void untrack(detail::ActorState& state, std::uint64_t id);

    QThread thread_;
    QObject* context_ = nullptr;
    std::shared_ptr<detail::ActorState> state_;
};

}  // namespace zephrane
