#include "shared/ControlPipeline.hpp"

#include <cmath>
#include <limits>

#include "shared/Clamping.hpp"

namespace zephrane {

double ControlPipeline::targetPercentage(double temp) noexcept {
    double base = fixedOverride ? clampToUnit(*fixedOverride) : curve.rpmPercentage(temp);
    const double floor = clampToUnit(proactiveFloor);
    if (base <= floor) base = floor;
    return clampToUnit(ema.update(base));
}

double ControlPipeline::percentageToRPM(double p, double fanMin, double fanMax) noexcept {
    if (std::isnan(fanMin) || std::isnan(fanMax)) return std::numeric_limits<double>::quiet_NaN();
    if (fanMin > fanMax) return fanMin;
    return clampKeepingNaN(fanMin + clampToUnit(p) * (fanMax - fanMin), fanMin, fanMax);
}

double ControlPipeline::rpmToPercentage(double rpm, double fanMin, double fanMax) noexcept {
    const double span = fanMax - fanMin;
    if (!(span > 0) || std::isinf(span) || !std::isfinite(rpm)) return 0;
    return clampToUnit((rpm - fanMin) / span);
}

}  // namespace zephrane
