// A serial executor for the app's actors: one thread with its own event
// loop. An actor's state is touched only on that thread; callers on any
// thread with an event loop co_await call() and resume on their own thread.
//
// call() takes a function returning either a value or a QCoro::Task. A task
// runs on the actor thread and may suspend; while it waits, other calls of
// the same actor run (actors are reentrant at their suspension points, so a
// long fan write never blocks a heartbeat). An exception thrown by the
// function reaches the awaiting caller.
//
// The actor thread stops when the Actor is destroyed; a call still queued
// then is dropped and its caller gets ActorStopped.
#pragma once

#include <exception>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include <QFuture>
#include <QMetaObject>
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
}  // namespace detail

class Actor {
public:
    explicit Actor(const QString& name) {
        thread_.setObjectName(name);
        context_ = new QObject;  // deleted on its own thread when the loop ends
        context_->moveToThread(&thread_);
        QObject::connect(&thread_, &QThread::finished, context_, &QObject::deleteLater);
        thread_.start();
    }
    ~Actor() { stop(); }
    Actor(const Actor&) = delete;
    Actor& operator=(const Actor&) = delete;

    // Ends the thread after the work already posted; idempotent. Must not
    // be called on the actor thread.
    void stop() {
        thread_.quit();
        thread_.wait();
    }

    bool isCurrent() const { return QThread::currentThread() == &thread_; }
    QThread* thread() { return &thread_; }
    // Lives on the actor thread: a context for timers, sockets and queued slots.
    QObject* context() const { return context_; }

    // Runs fn on the actor thread without waiting for it.
    template <typename F>
    void post(F fn) {
        QMetaObject::invokeMethod(context_, std::move(fn), Qt::QueuedConnection);
    }

    template <typename F>
    auto call(F fn) -> QCoro::Task<typename detail::CallResult<F>::Type> {
        using R = typename detail::CallResult<F>::Type;
        auto promise = std::make_shared<QPromise<R>>();
        QFuture<R> future = promise->future();
        promise->start();
        // A queued call that never runs (the thread stopped) destroys the
        // functor unrun: the guard then fails the promise instead of leaving
        // the caller waiting for ever.
        auto guard = std::shared_ptr<void>(nullptr, [promise](void*) {
            if (!promise->future().isFinished()) {
                promise->setException(std::make_exception_ptr(ActorStopped{}));
                promise->finish();
            }
        });
        post([fn = std::move(fn), promise, guard = std::move(guard)]() mutable { run(std::move(fn), promise, guard); });
        // Awaiting the future resumes on this thread and rethrows what fn threw.
        if constexpr (std::is_void_v<R>) {
            co_await future;
        } else {
            R value = co_await future;
            co_return value;
        }
    }

private:
    template <typename R, typename F>
    static QCoro::Task<void> runTask(F fn, std::shared_ptr<QPromise<R>> promise, std::shared_ptr<void> guard) {
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
        guard.reset();
    }

    template <typename F, typename R>
    static void run(F fn, std::shared_ptr<QPromise<R>> promise, std::shared_ptr<void> guard) {
        if constexpr (detail::CallResult<F>::isTask) {
            runTask<R>(std::move(fn), std::move(promise), std::move(guard));
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
        }
    }

    QThread thread_;
    QObject* context_ = nullptr;
};

}  // namespace zephrane
