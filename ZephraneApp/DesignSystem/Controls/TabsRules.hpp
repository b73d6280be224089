// The segmented control's rules: what a click on a segment does to the
// selection, where the arrow keys move keyboard focus (never wrapping, never
// touching the selection), and the two metric sets.
#pragma once

#include <algorithm>
#include <optional>
#include <span>
#include <string_view>

#include "ZephraneApp/DesignSystem/Controls/SliderRules.hpp"

namespace zephrane::design {

// Clicking the selected segment again clears the selection only where the
// caller allows it; the result is written even when it equals the old one.
template <class Id>
std::optional<Id> tabsTapResult(const std::optional<Id>& current, const Id& tapped, bool allowsDeselect) {
    if (allowsDeselect && current == tapped) return std::nullopt;
    return tapped;
}

enum class TabsStep { backward, forward };

// Up and left go backward, down and right forward; other keys do nothing.
std::optional<TabsStep> tabsStep(MoveDirection direction);

// From the focused segment, else the selected one; from neither (or one no
// longer listed) to the first segment going forward, the last going back.
template <class Id>
std::optional<Id> tabsMoveFocus(std::span<const Id> ids, const std::optional<Id>& focused,
                                const std::optional<Id>& selection, TabsStep step) {
    if (ids.empty()) return std::nullopt;
    const std::optional<Id>& anchor = focused ? focused : selection;
    const auto found = anchor ? std::find(ids.begin(), ids.end(), *anchor) : ids.end();
    if (found == ids.end()) return step == TabsStep::forward ? ids.front() : ids.back();
    if (step == TabsStep::forward) return std::next(found) == ids.end() ? *found : *std::next(found);
    return found == ids.begin() ? *found : *std::prev(found);
}

enum class TabsSize { regular, compact };

struct TabsMetrics {
    double platePadding;
    double segmentHeight;
    double segmentMinimumWidth;
    double titlePadding;  // each side
    double controlHeight;
    double segmentSpacing = 2;
    double plateRadius = 10;
    double segmentRadius = 7;
};

TabsMetrics tabsMetrics(TabsSize size);

// A segment's spoken value.
std::string_view tabsSegmentValue(bool selected);

}  // namespace zephrane::design
