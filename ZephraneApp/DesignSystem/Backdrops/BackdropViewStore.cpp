#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewStore.hpp"

#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"

namespace zephrane::design {
namespace {

BackdropImageStore* replacement = nullptr;

}  // namespace

void startBackdropPhotoStore() { BackdropImageStore::shared(); }

BackdropImageStore& backdropViewStore() { return replacement != nullptr ? *replacement : BackdropImageStore::shared(); }

void setBackdropViewStore(BackdropImageStore* store) { replacement = store; }

}  // namespace zephrane::design
