#include "ZephraneApp/DesignSystem/Controls/SliderRules.hpp"

#include <cmath>

namespace zephrane::design {

double sliderFraction(double value) {
    if (!(value > 0.0)) return 0.0;  // also not-a-number
    return value > 1.0 ? 1.0 : value;
}

double sliderFractionAt(double x, double width, bool rightToLeft) {
    const double fraction = sliderFraction(width <= 1.0 ? x : x / width);
    return rightToLeft ? 1.0 - fraction : fraction;
}

double sliderKeyStep(MoveDirection direction, bool rightToLeft) {
    const double mirror = rightToLeft ? -1.0 : 1.0;
    switch (direction) {
        case MoveDirection::up: return kSliderKeyStep;
        case MoveDirection::down: return -kSliderKeyStep;
        case MoveDirection::left: return -kSliderKeyStep * mirror;
        case MoveDirection::right: return kSliderKeyStep * mirror;
        case MoveDirection::none: return 0.0;
    }
    return 0.0;
}

// Stepped from the value as bound, clamped after: a value held above 1 steps
// down to 1, not to 1 less a step. Only not-a-number, which no step moves,
// starts from 0.
double sliderSteppedValue(double value, MoveDirection direction, bool rightToLeft) {
    const double from = std::isnan(value) ? 0.0 : value;
    return sliderFraction(from + sliderKeyStep(direction, rightToLeft));
}

bool sliderIconOnFill(double width, double value) { return width * sliderFraction(value) >= kSliderHeight; }

SliderTrailing sliderTrailing(bool dragging, bool hasPendingLabel, bool hasTrailingIcon) {
    if (dragging && hasPendingLabel) return SliderTrailing::pendingLabel;
    return hasTrailingIcon ? SliderTrailing::icon : SliderTrailing::nothing;
}

}  // namespace zephrane::design
