// The compact empty state is read as one element: its title, or its title
// and explanation joined by ". ".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zephrane::design {

inline std::string emptyStateAccessibilityLabel(std::string_view title, std::optional<std::string_view> description) {
    std::string label(title);
    if (description) label.append(". ").append(*description);
    return label;
}

}  // namespace zephrane::design
