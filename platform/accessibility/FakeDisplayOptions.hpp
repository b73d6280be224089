// Display options a test sets by hand.
#pragma once

#include "platform/accessibility/DisplayOptions.hpp"

namespace zephrane::accessibility {

class FakeDisplayOptions final : public DisplayOptionsSource {
    Q_OBJECT
public:
    using DisplayOptionsSource::DisplayOptionsSource;

    DisplayOptions options() const override { return options_; }
    void setOptions(DisplayOptions options) {
        if (options == options_) return;
        options_ = options;
        emit optionsChanged();
    }

private:
    DisplayOptions options_;
};

}  // namespace zephrane::accessibility
