// Waiting for coroutines from a test's own thread, which runs the event
// loop while it waits: for a condition, for a task's result, or for the
// outcome of a task started earlier that the test reads later.
#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <qcoro/qcorotask.h>

namespace zephrane::testfakes {

// Processes the caller's events until `done` holds; false after a generous
// deadline. It sleeps while nothing happens, waking every few milliseconds
// for conditions that change on other threads without an event here.
inline bool eventually(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.start(5);
    while (!done()) {
        if (clock.elapsed() > limit.count()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// QCoro::waitFor, but an exception thrown by the task reaches the caller
// (QCoro 0.8's own waitFor never returns when the task throws).
template <typename T>
T awaitResult(QCoro::Task<T> task) {
    std::exception_ptr failure;
    if constexpr (std::is_void_v<T>) {
        auto wrapper = [](QCoro::Task<T> t, std::exception_ptr& out) -> QCoro::Task<void> {
            try {
                co_await std::move(t);
            } catch (...) {
                out = std::current_exception();
            }
        };
        QCoro::waitFor(wrapper(std::move(task), failure));
        if (failure) std::rethrow_exception(failure);
    } else {
        std::optional<T> value;
        auto wrapper = [](QCoro::Task<T> t, std::optional<T>& out, std::exception_ptr& error) -> QCoro::Task<void> {
            try {
                out = co_await std::move(t);
            } catch (...) {
                error = std::current_exception();
            }
        };
        QCoro::waitFor(wrapper(std::move(task), value, failure));
        if (failure) std::rethrow_exception(failure);
        return std::move(*value);
    }
}

// A task started now, run by the caller's event loop; the test reads its
// outcome once `done` holds.
template <typename T>
struct Outcome {
    bool done = false;
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> value;
    std::exception_ptr error;

    // The exception the task ended with, rethrown as E; false when it ended
    // otherwise.
    template <typename E>
    bool threw() const {
        if (!error) return false;
        try {
            std::rethrow_exception(error);
        } catch (const E&) {
            return true;
        } catch (...) {
            return false;
        }
    }
};

template <typename T>
std::shared_ptr<Outcome<T>> start(QCoro::Task<T> task) {
    auto outcome = std::make_shared<Outcome<T>>();
    auto run = [](QCoro::Task<T> t, std::shared_ptr<Outcome<T>> out) -> QCoro::Task<void> {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await std::move(t);
                out->value = true;
            } else {
                out->value = co_await std::move(t);
            }
        } catch (...) {
            out->error = std::current_exception();
        }
        out->done = true;
    };
    run(std::move(task), outcome);
    return outcome;
}

}  // namespace zephrane::testfakes
