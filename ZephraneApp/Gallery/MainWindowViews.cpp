#include "ZephraneApp/Gallery/GalleryViews.hpp"

namespace zephrane::gallery {

std::vector<View> mainWindowViews() { return {}; }

}  // namespace zephrane::gallery
