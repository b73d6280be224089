// Numbers inside reason and error texts: the shortest decimal text that reads
// back as the same double. Whole numbers keep a trailing ".0" so that 1200 and
// 1200.5 read alike; very large or very small magnitudes switch to exponent
// form ("1e+39", "1e-05"); not-a-number and the infinities are "nan", "inf"
// and "-inf".
#pragma once

#include <cstdint>
#include <string>

namespace zephrane {

std::string shortestText(double value);

// An integer for people to read, as every RPM figure is shown: the decimal
// digits in groups of three from the right joined by one space, "-" in front
// of a negative ("1 234", "-12 345 678"). Defined for the whole range,
// INT64_MIN included.
std::string groupedIntegerText(std::int64_t value);

}  // namespace zephrane
