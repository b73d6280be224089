#include "ZephraneApp/Gallery/GalleryViews.hpp"

namespace zephrane::gallery {

std::vector<View> settingsViews() { return {}; }

}  // namespace zephrane::gallery
