// The reply owed for one request, handed to the service's handler. Call it
// once, from any thread; the values go back to the client on the connection's
// executor. A reply destroyed without being called answers the client with a
// "no valid reply" error instead, so every request gets exactly one answer
// even from a handler that forgets, throws, or is abandoned.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/xpc/Value.hpp"

namespace zephrane::xpc {

class Connection;
struct Signature;

class Reply {
public:
    Reply() = default;
    Reply(Reply&& other) noexcept;
    Reply& operator=(Reply&& other) noexcept;
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    ~Reply();

    // Sends the reply; only the first call counts. Harmless when the
    // connection has ended meanwhile.
    void operator()(Values reply);

    // Still to be called.
    bool owed() const { return owed_; }

private:
    friend class Connection;
    Reply(std::weak_ptr<Connection> connection, std::uint64_t id, const Signature* signature);
    void settle(std::optional<Values> reply);

    std::weak_ptr<Connection> connection_;
    std::uint64_t id_ = 0;
    const Signature* signature_ = nullptr;  // lives in the connection's interface
    bool owed_ = false;
};

}  // namespace zephrane::xpc
