// Waiting on the Qt event loop in tests: notifications reach their handlers
// through queued events, so a test spins the loop until what it waits for
// holds, and fails only when a generous deadline passes.
#pragma once

#include <chrono>

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace zephrane::testing {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds kGenerousDeadline = 20s;

template <class Condition>
bool processEventsUntil(Condition&& condition, std::chrono::milliseconds limit = kGenerousDeadline) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        QThread::msleep(2);
    }
}

// Runs every event already queued for `queue`'s thread: a marker queued
// behind them runs last.
inline bool drain(QObject* queue) {
    auto reached = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(queue, [reached] { *reached = true; }, Qt::QueuedConnection);
    return processEventsUntil([&] { return reached->load(); });
}

}  // namespace zephrane::testing
