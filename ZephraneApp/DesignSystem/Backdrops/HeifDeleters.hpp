// Owners for libheif's objects, shared by the decoder and the painter's
// encoder: each releases its object with the library's own call.
#pragma once

#include <memory>

#include <libheif/heif.h>

namespace zephrane::heif {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleFree {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageFree {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct EncoderFree {
    void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};
struct OptionsFree {
    void operator()(heif_encoding_options* o) const { heif_encoding_options_free(o); }
};

}  // namespace zephrane::heif
