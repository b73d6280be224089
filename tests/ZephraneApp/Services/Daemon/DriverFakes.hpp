// Stand-ins for what the daemon link talks to: a daemon connection whose
// replies the test hands out, timers whose clock the test advances, and a
// service manager with a scripted status.
#pragma once

#include <algorithm>
#include <chrono>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <qcoro/qcorotask.h>
#include <QElapsedTimer>

#include "ZephraneApp/Concurrency/ContinuousTimers.hpp"
#include "tests/ZephraneApp/Concurrency/AwaitTask.hpp"
#include "ZephraneApp/Services/Daemon/DaemonConnection.hpp"
#include "platform/servicemanagement/ServiceManagement.hpp"

namespace zephrane::testfakes {

class FakeDaemonConnection final : public DaemonConnection {
public:
    struct Message {
        std::string selector;
        xpc::Values arguments;
        ReplyHandler onReply;
        ErrorHandler onError;
    };

    void setInvalidationHandler(std::function<void()> handler) override {
        std::lock_guard lock(mutex_);
        onInvalidation_ = std::move(handler);
    }
    void setInterruptionHandler(std::function<void()> handler) override {
        std::lock_guard lock(mutex_);
        onInterruption_ = std::move(handler);
    }
    void resume() override {
        std::lock_guard lock(mutex_);
        resumed_ = true;
    }
    // Like the real one: the invalidation handler runs once, then every
    // handler is released (they hold this connection).
    void invalidate() override {
        std::function<void()> handler;
        {
            std::lock_guard lock(mutex_);
            if (invalidated_) return;
            invalidated_ = true;
            handler = std::move(onInvalidation_);
            onInterruption_ = nullptr;
        }
        if (handler) handler();
    }
    bool send(std::string_view selector, xpc::Values arguments, ReplyHandler onReply, ErrorHandler onError) override {
        std::function<void(const Message&)> answer;
        Message sent;
        {
            std::lock_guard lock(mutex_);
            if (!speaksContract_) return false;
            messages_.push_back({std::string(selector), std::move(arguments), std::move(onReply), std::move(onError)});
            answer = autoAnswer_;
            sent = messages_.back();
        }
        if (answer) answer(sent);
        return true;
    }
    void sendWhileExiting(std::string_view selector) override {
        std::lock_guard lock(mutex_);
        sentWhileExiting_.emplace_back(selector);
    }

    // Test side.
    void interrupt() {
        std::function<void()> handler;
        {
            std::lock_guard lock(mutex_);
            handler = onInterruption_;
        }
        if (handler) handler();
    }
    std::size_t messageCount() {
        std::lock_guard lock(mutex_);
        return messages_.size();
    }
    Message message(std::size_t index) {
        std::lock_guard lock(mutex_);
        return messages_.at(index);
    }
    std::size_t count(std::string_view selector) {
        std::lock_guard lock(mutex_);
        return static_cast<std::size_t>(
            std::count_if(messages_.begin(), messages_.end(), [&](const Message& m) { return m.selector == selector; }));
    }
    bool invalidated() {
        std::lock_guard lock(mutex_);
        return invalidated_;
    }
    std::vector<std::string> sentWhileExiting() {
        std::lock_guard lock(mutex_);
        return sentWhileExiting_;
    }
    void setSpeaksContract(bool speaks) {
        std::lock_guard lock(mutex_);
        speaksContract_ = speaks;
    }
    // Answers every later message through `answer`, as it is sent.
    void setAutoAnswer(std::function<void(const Message&)> answer) {
        std::lock_guard lock(mutex_);
        autoAnswer_ = std::move(answer);
    }

private:
    std::mutex mutex_;
    std::function<void()> onInvalidation_;
    std::function<void()> onInterruption_;
    bool resumed_ = false;
    bool invalidated_ = false;
    bool speaksContract_ = true;
    std::vector<Message> messages_;
    std::vector<std::string> sentWhileExiting_;
    std::function<void(const Message&)> autoAnswer_;
};

// Hands out a new fake per connection the driver makes.
class FakeDaemon {
public:
    DaemonConnectionFactory factory() {
        return [this] {
            auto connection = std::make_shared<FakeDaemonConnection>();
            std::function<void(const FakeDaemonConnection::Message&)> answer;
            bool speaks = true;
            {
                std::lock_guard lock(mutex_);
                connections_.push_back(connection);
                answer = autoAnswer_;
                speaks = speaksContract_;
            }
            if (answer) connection->setAutoAnswer(answer);
            connection->setSpeaksContract(speaks);
            return connection;
        };
    }
    std::size_t connectionCount() {
        std::lock_guard lock(mutex_);
        return connections_.size();
    }
    std::shared_ptr<FakeDaemonConnection> connection(std::size_t index) {
        std::lock_guard lock(mutex_);
        return connections_.at(index);
    }
    std::shared_ptr<FakeDaemonConnection> latest() {
        std::lock_guard lock(mutex_);
        return connections_.empty() ? nullptr : connections_.back();
    }
    // Applied to connections made from now on.
    void setSpeaksContract(bool speaks) {
        std::lock_guard lock(mutex_);
        speaksContract_ = speaks;
    }
    void setAutoAnswer(std::function<void(const FakeDaemonConnection::Message&)> answer) {
        std::lock_guard lock(mutex_);
        autoAnswer_ = std::move(answer);
    }

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<FakeDaemonConnection>> connections_;
    std::function<void(const FakeDaemonConnection::Message&)> autoAnswer_;
    bool speaksContract_ = true;
};

// Timers on a clock that moves only when the test says so. Firing happens
// on the test's thread; the driver's timer actions only touch thread-safe
// guards.
class ManualTimers {
public:
    class Source final : public TimerSource {
    public:
        explicit Source(ManualTimers& owner) : owner_(owner) {}
        std::shared_ptr<CancellableTimer> start(std::chrono::nanoseconds delay, std::function<void()> fire) override {
            return owner_.add(delay, std::move(fire));
        }

    private:
        ManualTimers& owner_;
    };

    std::function<std::unique_ptr<TimerSource>(QObject*)> factory() {
        return [this](QObject*) { return std::make_unique<Source>(*this); };
    }

    // Fires, in deadline order, every timer due by now + step.
    void advance(std::chrono::nanoseconds step) {
        std::chrono::nanoseconds target;
        {
            std::lock_guard lock(mutex_);
            now_ += step;
            target = now_;
        }
        for (;;) {
            std::shared_ptr<Timer> due;
            {
                std::lock_guard lock(mutex_);
                auto it = std::min_element(timers_.begin(), timers_.end(),
                                           [](const auto& a, const auto& b) { return a->deadline < b->deadline; });
                if (it == timers_.end() || (*it)->deadline > target) return;
                due = *it;
                timers_.erase(it);
            }
            if (!due->cancelled()) due->fire();
        }
    }
    // Timers armed and not yet fired or cancelled.
    std::size_t pending() {
        std::lock_guard lock(mutex_);
        return static_cast<std::size_t>(
            std::count_if(timers_.begin(), timers_.end(), [](const auto& t) { return !t->cancelled(); }));
    }
    // The delays of live timers, for checking which pause is armed.
    std::vector<std::chrono::nanoseconds> pendingDelays() {
        std::lock_guard lock(mutex_);
        std::vector<std::chrono::nanoseconds> out;
        for (const auto& t : timers_)
            if (!t->cancelled()) out.push_back(t->delay);
        return out;
    }

private:
    struct Timer final : CancellableTimer {
        std::chrono::nanoseconds deadline{};
        std::chrono::nanoseconds delay{};
        std::function<void()> action;
        std::mutex mutex;
        bool isCancelled = false;
        void cancel() override {
            std::lock_guard lock(mutex);
            isCancelled = true;
        }
        bool cancelled() {
            std::lock_guard lock(mutex);
            return isCancelled;
        }
        void fire() {
            if (action) action();
        }
    };

    std::shared_ptr<CancellableTimer> add(std::chrono::nanoseconds delay, std::function<void()> fire) {
        auto timer = std::make_shared<Timer>();
        std::lock_guard lock(mutex_);
        timer->deadline = now_ + delay;
        timer->delay = delay;
        timer->action = std::move(fire);
        timers_.push_back(timer);
        return timer;
    }

    std::mutex mutex_;
    std::chrono::nanoseconds now_{0};
    std::vector<std::shared_ptr<Timer>> timers_;
};

// A service manager whose status and results the test scripts.
class ScriptedServiceManager final : public servicemanagement::ServiceManager {
public:
    using Status = servicemanagement::Status;
    using Error = servicemanagement::Error;

    std::mutex mutex;
    Status status = Status::notRegistered;
    std::optional<Error> registerError;
    std::optional<Status> statusAfterRegister;  // status once register ran (else enabled on success)
    std::optional<Error> unregisterError;
    int registerCalls = 0;
    int unregisterCalls = 0;
    std::function<void()> onRegister;  // runs inside register, before it returns
    bool withholdUnregister = false;   // completions wait for completeWithheld()

    // Completions run on a thread of the manager's, joined when it goes.
    ~ScriptedServiceManager() override {
        completeWithheld();
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(mutex);
            threads.swap(completionThreads_);
        }
        for (auto& thread : threads) thread.join();
    }

    std::unique_ptr<servicemanagement::Service> daemonService(const std::string&) override {
        return std::make_unique<Service>(*this);
    }

    void completeWithheld() {
        std::vector<std::function<void()>> withheld;
        {
            std::lock_guard lock(mutex);
            withheld.swap(withheld_);
        }
        for (auto& complete : withheld) complete();
    }
    std::size_t withheldCount() {
        std::lock_guard lock(mutex);
        return withheld_.size();
    }

private:
    class Service final : public servicemanagement::Service {
    public:
        explicit Service(ScriptedServiceManager& owner) : owner_(owner) {}
        Status status() override {
            std::lock_guard lock(owner_.mutex);
            return owner_.status;
        }
        std::optional<Error> registerService() override {
            std::function<void()> hook;
            std::optional<Error> result;
            {
                std::lock_guard lock(owner_.mutex);
                ++owner_.registerCalls;
                result = owner_.registerError;
                if (owner_.statusAfterRegister) owner_.status = *owner_.statusAfterRegister;
                else if (!result) owner_.status = Status::enabled;
                hook = owner_.onRegister;
            }
            if (hook) hook();
            return result;
        }
        void unregisterService(std::function<void(std::optional<Error>)> completion) override {
            std::lock_guard lock(owner_.mutex);
            ++owner_.unregisterCalls;
            std::optional<Error> result = owner_.unregisterError;
            if (!result) owner_.status = Status::notRegistered;
            auto complete = [completion = std::move(completion), result] { completion(result); };
            if (owner_.withholdUnregister) {
                owner_.withheld_.push_back(std::move(complete));
                return;
            }
            // Completions come from elsewhere on the real system.
            owner_.completionThreads_.emplace_back(std::move(complete));
        }

    private:
        ScriptedServiceManager& owner_;
    };

    std::vector<std::function<void()>> withheld_;
    std::vector<std::thread> completionThreads_;
};

}  // namespace zephrane::testfakes
