// The workspace's notification centre: observers register for a notification
// name with a handler and the queue it should run on, and get a token that
// ends the registration. Posting may happen on any thread (the /proc scanner
// posts from its own); each handler runs on the thread of its queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/workspace/Workspace.hpp"

class QObject;

namespace zephrane::workspace {

class WorkspaceNotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    WorkspaceNotificationCenter() = default;
    // Ends every registration still open, so nothing is delivered once the
    // workspace is gone, not even notifications already queued.
    ~WorkspaceNotificationCenter();
    WorkspaceNotificationCenter(const WorkspaceNotificationCenter&) = delete;
    WorkspaceNotificationCenter& operator=(const WorkspaceNotificationCenter&) = delete;

    // The queue of the GUI thread: the application object. Null before a
    // QCoreApplication exists.
    static QObject* mainQueue();

    // `queue`: the handler runs on that object's thread from its event loop,
    // notifications in the order they were posted; the object must outlive
    // the registration. Null: the handler runs on the posting thread, inside
    // post().
    ObserverToken addObserver(NotificationName name, QObject* queue, Handler handler);

    // Once this returns the handler never runs again, not even for a
    // notification already queued, and the handler's captures are released.
    // A handler running on another thread at that moment is waited for, so a
    // handler must not wait for the thread that removes it; removing from
    // inside the handler itself is fine. Unknown tokens are ignored.
    void removeObserver(ObserverToken token);

    // Hands the notification to every registration for its name.
    void post(const Notification& notification);

    std::size_t observerCount() const;

private:
    struct Registration;
    static void deliver(Registration& registration, const Notification& notification);
    static void end(Registration& registration);

    mutable std::mutex mutex_;
    std::map<ObserverToken, std::shared_ptr<Registration>> registrations_;
    std::uint64_t nextToken_ = 1;
};

}  // namespace zephrane::workspace
