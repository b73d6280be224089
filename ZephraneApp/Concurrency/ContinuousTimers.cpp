#include "ZephraneApp/Concurrency/ContinuousTimers.hpp"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <ctime>
#include <utility>

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

#include "platform/host/ContinuousClock.hpp"

namespace zephrane {
namespace {

// Cancel may come from any thread (the guard's first claim), firing happens
// on the owner thread: both go through the owner thread's event loop, so
// the notifier is only ever touched there.
class BootTimer final : public CancellableTimer, public std::enable_shared_from_this<BootTimer> {
public:
    BootTimer(QObject* context, std::function<void()> fire) : context_(context), fire_(std::move(fire)) {}
    ~BootTimer() override {
        delete notifier_;
        if (fd_ >= 0) ::close(fd_);
    }

    void arm(std::chrono::nanoseconds delay) {
        fd_ = ::timerfd_create(host::ContinuousClock::kernelClock, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd_ < 0) fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd_ < 0) {
            // No timer to be had: fire at once rather than never, so a call
            // fails with a time-out instead of hanging.
            QMetaObject::invokeMethod(context_, [self = shared_from_this()] { self->fireOnce(); }, Qt::QueuedConnection);
            return;
        }
        itimerspec spec{};
        const auto ns = std::max<std::int64_t>(delay.count(), 1);  // 0 would disarm
        spec.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        spec.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        ::timerfd_settime(fd_, 0, &spec, nullptr);
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read);
        std::weak_ptr<BootTimer> weak = weak_from_this();
        QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [weak] {
            if (auto self = weak.lock()) self->fireOnce();
        });
        // The notifier holds the only other reference through its slot, so
        // the timer stays alive until it fires or is cancelled.
        keepAlive_ = shared_from_this();
    }

    void cancel() override {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        // On the owner thread it is disarmed at once: at exit no loop may be
        // left to run a queued stop, and the timer would keep itself alive.
        // An actor that has stopped has no loop left to disarm it on; the
        // flag alone keeps it from firing.
        if (QObject* context = context_) {
            if (context->thread() == QThread::currentThread())
                stop();
            else
                QMetaObject::invokeMethod(context, [self = shared_from_this()] { self->stop(); }, Qt::QueuedConnection);
        }
    }

private:
    void fireOnce() {
        {
            std::lock_guard lock(mutex_);
            if (fired_ || cancelled_) {
                stop();
                return;
            }
            fired_ = true;
        }
        auto self = shared_from_this();
        stop();
        if (fire_) fire_();
        fire_ = nullptr;
    }
    void stop() {
        if (notifier_) notifier_->setEnabled(false);
        keepAlive_.reset();
    }

    QPointer<QObject> context_;
    std::function<void()> fire_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::shared_ptr<BootTimer> keepAlive_;
    std::mutex mutex_;
    bool fired_ = false;
    bool cancelled_ = false;
};

class BootTimerSource final : public TimerSource {
public:
    explicit BootTimerSource(QObject* context) : context_(context) {}
    std::shared_ptr<CancellableTimer> start(std::chrono::nanoseconds delay, std::function<void()> fire) override {
        auto timer = std::make_shared<BootTimer>(context_, std::move(fire));
        timer->arm(delay);
        return timer;
    }

private:
    QObject* context_;
};

}  // namespace

std::unique_ptr<TimerSource> makeContinuousTimerSource(QObject* context) {
    return std::make_unique<BootTimerSource>(context);
}

}  // namespace zephrane
