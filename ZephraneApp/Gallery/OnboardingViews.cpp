#include "ZephraneApp/Gallery/GalleryViews.hpp"

namespace zephrane::gallery {

std::vector<View> onboardingViews() { return {}; }

}  // namespace zephrane::gallery
