// The activation policy on an X11 desktop: an accessory app's main windows
// carry _NET_WM_STATE_SKIP_TASKBAR, so the task bar leaves them out; a
// regular app's do not. The state is written as the window's property,
// which Qt keeps when it maps the window and a window manager reads when it
// takes the window on; once the manager holds a shown window, the state is
// its to change, so it is asked as well (a client message to the root
// window). Window managers drop the state of a window they unmap, so all
// this happens again each time a window is shown, and once more when it is
// first exposed after that: a request that reaches the manager before it has
// taken the newly mapped window on is ignored.
//
// Without X11 (Wayland, offscreen) it keeps the policy and changes nothing.
#pragma once

#include <vector>

#include <QObject>
#include <QPointer>
#include <QWindow>

#include "platform/activationpolicy/ActivationPolicy.hpp"

namespace zephrane::activationpolicy {

class TaskbarActivationPolicy final : public QObject, public ActivationPolicy {
    Q_OBJECT
public:
    explicit TaskbarActivationPolicy(QObject* parent = nullptr);

    // A window that stands for the app in the task bar (its main window);
    // it follows the policy from now on, for as long as it lives.
    void addWindow(QWindow* window);

    void setActivationPolicy(Policy policy) override;
    Policy activationPolicy() const override { return policy_; }

    // Whether the window's state, as the X server holds it now, leaves it
    // out of the task bar; false without X11.
    static bool skipsTaskbar(QWindow& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply(QWindow& window);

    Policy policy_ = Policy::regular;
    std::vector<QPointer<QWindow>> windows_;
    // The windows shown and exposed since they were last shown.
    std::vector<QWindow*> exposed_;
};

}  // namespace zephrane::activationpolicy
