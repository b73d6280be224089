#include "ZephraneApp/MainWindow/DashboardLayout.hpp"

#include <algorithm>

namespace zephrane::mainwindow {

DashboardColumns dashboardColumns(double width) {
    // Comparisons with NaN are false: narrow.
    return {.wide = width >= kWideWidth, .heroWide = width >= kHeroWideWidth};
}

double fanGaugeRowMaximumWidth(int fans) {
    const int n = std::max(fans, 0);
    if (n == 0) return 0;
    return n * kFanGaugeMaximumWidth + (n - 1) * kFanGaugeSpacing;
}

}  // namespace zephrane::mainwindow
