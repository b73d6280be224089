#include "ZephraneApp/DesignSystem/Tokens/SensorTint.hpp"

namespace zephrane {

Theme::SystemColor sensorTint(std::string_view id) {
    using Theme::SystemColor;
    if (id.starts_with("cpu") || id.starts_with("perf.") || id.starts_with("eff.")) return SystemColor::blue;
    if (id.starts_with("gpu")) return SystemColor::purple;
    if (id.starts_with("pwr")) return SystemColor::orange;
    if (id == "TB0T" || id == "TB1T") return SystemColor::green;
    if (id == "TH0x") return SystemColor::gray;
    if (id.starts_with("TDe")) return SystemColor::cyan;
    if (id == "TPSP" || id == "TW0P") return SystemColor::teal;
    return SystemColor::secondaryLabel;
}

}  // namespace zephrane
