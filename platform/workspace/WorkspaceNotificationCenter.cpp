#include "platform/workspace/WorkspaceNotificationCenter.hpp"

#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>

namespace zephrane::workspace {

// A registration outlives its entry in the centre while a queued delivery
// still holds it; `ended` is what that delivery checks when it finally runs.
// The call lock is held while the handler runs: removal on another thread
// waits for the handler to return, and removal from within it (same thread)
// passes because the lock is recursive.
struct WorkspaceNotificationCenter::Registration {
    NotificationName name;
    QObject* queue;
    std::recursive_mutex callLock;
    bool ended = false;
    // Shared so that a handler removing its own registration keeps running on
    // the copy deliver() holds.
    std::shared_ptr<const Handler> handler;
};

WorkspaceNotificationCenter::~WorkspaceNotificationCenter() {
    std::map<ObserverToken, std::shared_ptr<Registration>> open;
    {
        const std::scoped_lock lock(mutex_);
        open.swap(registrations_);
    }
    for (auto& [token, registration] : open) end(*registration);
}

QObject* WorkspaceNotificationCenter::mainQueue() { return QCoreApplication::instance(); }

ObserverToken WorkspaceNotificationCenter::addObserver(NotificationName name, QObject* queue, Handler handler) {
    auto registration = std::make_shared<Registration>();
    registration->name = name;
    registration->queue = queue;
    registration->handler = std::make_shared<const Handler>(std::move(handler));
    const std::scoped_lock lock(mutex_);
    const ObserverToken token{nextToken_++};
    registrations_.emplace(token, std::move(registration));
    return token;
}

void WorkspaceNotificationCenter::removeObserver(ObserverToken token) {
    std::shared_ptr<Registration> registration;
    {
        const std::scoped_lock lock(mutex_);
        const auto found = registrations_.find(token);
        if (found == registrations_.end()) return;
        registration = std::move(found->second);
        registrations_.erase(found);
    }
    end(*registration);
}

void WorkspaceNotificationCenter::end(Registration& registration) {
    // The captures die after the lock is let go, so their destructors may
    // use the centre.
    std::shared_ptr<const Handler> released;
    const std::scoped_lock lock(registration.callLock);
    registration.ended = true;
    released = std::move(registration.handler);
}

void WorkspaceNotificationCenter::post(const Notification& notification) {
    std::vector<std::shared_ptr<Registration>> targets;
    {
        const std::scoped_lock lock(mutex_);
        for (const auto& [token, registration] : registrations_)
            if (registration->name == notification.name) targets.push_back(registration);
    }
    // Delivered outside the centre's lock: a handler may add or remove
    // observers.
    for (auto& registration : targets) {
        if (registration->queue == nullptr) {
            deliver(*registration, notification);
        } else {
            QMetaObject::invokeMethod(
                registration->queue, [registration, notification] { deliver(*registration, notification); },
                Qt::QueuedConnection);
        }
    }
}

void WorkspaceNotificationCenter::deliver(Registration& registration, const Notification& notification) {
    const std::scoped_lock lock(registration.callLock);
    if (registration.ended) return;
    const std::shared_ptr<const Handler> handler = registration.handler;
    (*handler)(notification);
}

std::size_t WorkspaceNotificationCenter::observerCount() const {
    const std::scoped_lock lock(mutex_);
    return registrations_.size();
}

}  // namespace zephrane::workspace
