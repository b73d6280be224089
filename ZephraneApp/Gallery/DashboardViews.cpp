#include "ZephraneApp/Gallery/GalleryViews.hpp"

namespace zephrane::gallery {

std::vector<View> dashboardViews() { return {}; }

}  // namespace zephrane::gallery
