#include "ZephraneApp/DesignSystem/Controls/EmptyStateText.hpp"

#include <gtest/gtest.h>

namespace zephrane::design {
namespace {

TEST(EmptyStateTextTest, TitleAloneOrTitleFullStopDescription) {
    EXPECT_EQ(emptyStateAccessibilityLabel("No fans detected", std::nullopt), "No fans detected");
    EXPECT_EQ(emptyStateAccessibilityLabel("No Custom Modes", "Start from a template."),
              "No Custom Modes. Start from a template.");
}

}  // namespace
}  // namespace zephrane::design
