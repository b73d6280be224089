// What a request handler tells its connection to do with one request: send
// an answer frame, send nothing (a hung call: the client waits), or close the
// connection (a protocol violation). An answer may carry a descriptor for
// the client (SCM_RIGHTS, with the frame's first byte); the reply does not
// own it, its lender keeps it open.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace zephrane::sim {

struct Reply {
    enum class Kind { answer, none, close };

    Kind kind = Kind::none;
    std::vector<std::uint8_t> payload;  // the answer, without its length prefix
    int descriptor = -1;                // lent to the client with the answer; -1: none

    static Reply answer(std::vector<std::uint8_t> payload, int descriptor = -1) {
        return {Kind::answer, std::move(payload), descriptor};
    }
    static Reply none() { return {Kind::none, {}, -1}; }
    static Reply close() { return {Kind::close, {}, -1}; }

    friend bool operator==(const Reply&, const Reply&) = default;
};

// One connection's handler: a request payload in, what to do out. Called on
// the server's thread only.
using RequestHandler = std::function<Reply(std::span<const std::uint8_t> payload)>;

}  // namespace zephrane::sim
