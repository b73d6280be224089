// What a request handler tells its connection to do with one request: send
// an answer frame, send nothing (a hung call: the client waits), or close the
// connection (a protocol violation). An answer may carry a descriptor for
// the client (SCM_RIGHTS, with the frame's first byte); the reply owns it
// and its copies share it, and the last of them closes it, once sent.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace zephrane::sim {

struct Reply {
    enum class Kind { answer, none, close };
    // A descriptor closed with the last reply that holds it.
    using Descriptor = std::shared_ptr<const int>;

    Kind kind = Kind::none;
    std::vector<std::uint8_t> payload;  // the answer, without its length prefix
    Descriptor descriptor;              // handed to the client with the answer; null: none

    // Takes `descriptor` (when it is one) to hand over and close.
    static Reply answer(std::vector<std::uint8_t> payload, int descriptor = -1) {
        Descriptor owned;
        if (descriptor >= 0)
            owned = Descriptor(new int(descriptor), [](const int* fd) {
                ::close(*fd);
                delete fd;
            });
        return {Kind::answer, std::move(payload), std::move(owned)};
    }
    static Reply none() { return {Kind::none, {}, nullptr}; }
    static Reply close() { return {Kind::close, {}, nullptr}; }

    friend bool operator==(const Reply&, const Reply&) = default;
};

// One connection's handler: a request payload in, what to do out. Called on
// the server's thread only.
using RequestHandler = std::function<Reply(std::span<const std::uint8_t> payload)>;

}  // namespace zephrane::sim
