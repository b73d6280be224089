// Spaces in memory for tests: the test says which desktop is in view and
// where each window is, and sees which windows were put on all of them.
#pragma once

#include <map>
#include <set>

#include "platform/spaces/Spaces.hpp"

namespace zephrane::spaces {

class FakeSpaces final : public Spaces {
public:
    void joinAllDesktops(WindowId window) override {
        joined_.insert(window);
        desktops_[window] = kAllDesktops;
    }
    std::optional<bool> onCurrentDesktop(WindowId window) override {
        const auto found = desktops_.find(window);
        return showsOnDesktop(found == desktops_.end() ? std::nullopt : std::optional(found->second), current_);
    }
    void setChangeHandler(std::function<void()> changed) override { changed_ = std::move(changed); }

    // Each tells the handler, as the window system would.
    void setCurrentDesktop(std::optional<std::uint32_t> desktop) {
        current_ = desktop;
        if (changed_) changed_();
    }
    void moveWindow(WindowId window, std::uint32_t desktop) {
        desktops_[window] = desktop;
        if (changed_) changed_();
    }
    bool joinedAll(WindowId window) const { return joined_.contains(window); }

private:
    std::optional<std::uint32_t> current_;
    std::map<WindowId, std::uint32_t> desktops_;
    std::set<WindowId> joined_;
    std::function<void()> changed_;
};

}  // namespace zephrane::spaces
