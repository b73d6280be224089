#include "ZephraneApp/Gallery/GalleryViews.hpp"

namespace zephrane::gallery {

std::vector<View> modesViews() { return {}; }

}  // namespace zephrane::gallery
