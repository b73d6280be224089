// Numbers inside reason and error texts: the shortest decimal text that reads
// back as the same double. Whole numbers keep a trailing ".0" so that 1200 and
// 1200.5 read alike; very large or very small magnitudes switch to exponent
// form ("1e+39", "1e-05"); not-a-number and the infinities are "nan", "inf"
// and "-inf".
#pragma once

#include <string>

namespace zephrane {

std::string shortestText(double value);

}  // namespace zephrane
