#include "shared/WritePolicy.hpp"

#include <cmath>

#include "shared/NumberText.hpp"

namespace zephrane {
namespace {

// The reasons are built out of line so that vet's accepting path carries no
// string code at all.
[[gnu::cold, gnu::noinline]] WritePolicy::Verdict rejectRequest(double requestedRPM) {
    return WritePolicy::Verdict::reject("non-finite or negative RPM " + shortestText(requestedRPM));
}

[[gnu::cold, gnu::noinline]] WritePolicy::Verdict rejectBounds(double hardwareMin, double hardwareMax) {
    return WritePolicy::Verdict::reject("invalid hardware bounds [" + shortestText(hardwareMin) + ", " +
                                        shortestText(hardwareMax) + "]");
}

}  // namespace

WritePolicy::Verdict WritePolicy::vet(double requestedRPM, double hardwareMin, double hardwareMax) {
    if (!(std::isfinite(requestedRPM) && requestedRPM >= 0)) return rejectRequest(requestedRPM);
    if (!(std::isfinite(hardwareMin) && std::isfinite(hardwareMax) && hardwareMax > 0 && hardwareMin <= hardwareMax))
        return rejectBounds(hardwareMin, hardwareMax);
    double rpm = requestedRPM + 0.0;  // turns -0.0 into 0.0
    if (rpm < hardwareMin) rpm = hardwareMin;
    if (rpm > hardwareMax) rpm = hardwareMax;
    return Verdict::apply(rpm);
}

}  // namespace zephrane
