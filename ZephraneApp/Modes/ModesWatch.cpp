#include "ZephraneApp/Modes/ModesWatch.hpp"

#include <bit>
#include <cstdint>

#include "ZephraneApp/Face/DriveFace.hpp"

namespace zephrane::modes {
namespace {

// Bit for bit, so a fan that reports NaN bounds does not count as a new
// range on every poll.
bool sameRange(const std::optional<FanRange>& a, const std::optional<FanRange>& b) {
    if (a.has_value() != b.has_value()) return false;
    if (!a) return true;
    const auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    return bits(a->minRPM) == bits(b->minRPM) && bits(a->maxRPM) == bits(b->maxRPM);
}

}  // namespace

ReferenceFanRangeWatch::ReferenceFanRangeWatch(const face::DriveFace& drive, QObject* parent)
    : QObject(parent), drive_(drive), range_(drive.referenceFanRange()) {
    onAnyChange(drive.fans(), this, [this] { reconsider(); });
}

void ReferenceFanRangeWatch::reconsider() {
    const std::optional<FanRange> now = drive_.referenceFanRange();
    if (sameRange(now, range_)) return;
    range_ = now;
    emit changed();
}

}  // namespace zephrane::modes
