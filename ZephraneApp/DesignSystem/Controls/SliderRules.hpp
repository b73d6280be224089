// The capsule slider's rules: where a pointer puts the value, how the arrow
// keys step it (mirrored in a right-to-left layout), and what its track
// shows. Values are fractions 0…1; anything outside, or not a number, is
// drawn as the nearest end (not-a-number as 0). An arrow key steps the value
// as it is and clamps the result, so a value beyond an end lands on that end.
#pragma once

namespace zephrane::design {

enum class MoveDirection { up, down, left, right, none };

inline constexpr double kSliderKeyStep = 0.05;
inline constexpr double kSliderHeight = 22;
inline constexpr double kSliderIconInset = 6;

double sliderFraction(double value);

// Pointer x in the track's own coordinates (0 at its left edge, not
// mirrored); a track of width 1 or less takes x itself as the fraction.
double sliderFractionAt(double x, double width, bool rightToLeft);

double sliderKeyStep(MoveDirection direction, bool rightToLeft);
double sliderSteppedValue(double value, MoveDirection direction, bool rightToLeft);

// The leading symbol sits on the fill once the fill reaches under it.
bool sliderIconOnFill(double width, double value);

enum class SliderTrailing { nothing, pendingLabel, icon };
SliderTrailing sliderTrailing(bool dragging, bool hasPendingLabel, bool hasTrailingIcon);

}  // namespace zephrane::design
