#include "ZephraneApp/DesignSystem/Controls/TabsRules.hpp"

namespace zephrane::design {

std::optional<TabsStep> tabsStep(MoveDirection direction) {
    switch (direction) {
        case MoveDirection::up:
        case MoveDirection::left: return TabsStep::backward;
        case MoveDirection::down:
        case MoveDirection::right: return TabsStep::forward;
        case MoveDirection::none: return std::nullopt;
    }
    return std::nullopt;
}

TabsMetrics tabsMetrics(TabsSize size) {
    if (size == TabsSize::compact) return {3, 22, 44, 8, 28};
    return {4, 24, 64, 12, 32};
}

std::string_view tabsSegmentValue(bool selected) { return selected ? "On" : "Off"; }

}  // namespace zephrane::design
