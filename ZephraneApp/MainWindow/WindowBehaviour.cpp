#include "ZephraneApp/MainWindow/WindowBehaviour.hpp"

namespace zephrane::mainwindow {

Qt::WindowFlags floatingWindowFlags(Qt::WindowFlags flags) { return flags | Qt::WindowStaysOnTopHint; }

bool windowVisibleOnScreen(bool exposed, bool minimised, std::optional<bool> onCurrentDesktop) {
    return exposed && !minimised && onCurrentDesktop.value_or(true);
}

}  // namespace zephrane::mainwindow
