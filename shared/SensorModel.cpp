#include "shared/SensorModel.hpp"

#include "shared/HashCombine.hpp"

namespace zephrane {

}  // namespace zephrane

std::size_t std::hash<zephrane::SMCSensor>::operator()(const zephrane::SMCSensor& s) const noexcept {
    using zephrane::hashCombine;
    std::size_t h = 0;
    hashCombine(h, s.id);
    hashCombine(h, s.key);
    hashCombine(h, s.name);
    hashCombine(h, s.category);
    hashCombine(h, s.currentTemp);
    hashCombine(h, s.sensorClass);
    hashCombine(h, s.unit);
    return h;
}
