// The photo store the backdrop views load from: the app's shared store,
// unless a program put another in its place (the gallery and the tests
// point it at the build tree's photographs, or at a decoder they hold in
// their hand). GUI thread only; set it before the first view is made.
#pragma once

namespace zephrane {
class BackdropImageStore;
}

namespace zephrane::design {

// The app calls this once at start-up, on the GUI thread, before the
// engine loads its settings: it makes the app's photo store, which wires
// the engine's purge of the image caches to it, so choosing the system
// backdrop frees the photographs from the first choice on.
void startBackdropPhotoStore();

BackdropImageStore& backdropViewStore();
// None puts the shared store back. The store is not owned and must outlive
// every view made while it is in place.
void setBackdropViewStore(BackdropImageStore* store);

}  // namespace zephrane::design
