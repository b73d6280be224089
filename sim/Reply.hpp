// What a request handler tells its connection to do with one request: send
// an answer frame, send nothing (a hung call: the client waits), or close the
// connection (a protocol violation).
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

    static Reply answer(std::vector<std::uint8_t> payload) { return {Kind::answer, std::move(payload)}; }
    static Reply none() { return {Kind::none, {}}; }
    static Reply close() { return {Kind::close, {}}; }

    friend bool operator==(const Reply&, const Reply&) = default;
};

// One connection's handler: a request payload in, what to do out. Called on
// the server's thread only.
using RequestHandler = std::function<Reply(std::span<const std::uint8_t> payload)>;

}  // namespace zephrane::sim
