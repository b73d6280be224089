// A hostile client of the daemon's service socket: it writes whatever bytes
// a test gives it, framed or not, and reads answers with a deadline. It
// shares no code with the XPC layer, so a framing slip on either side shows.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "shared/JsonCoding.hpp"

namespace zephrane::helper::testing {

class RawXpcClient {
public:
    // Throws std::runtime_error when nothing accepts at `socketPath`.
    explicit RawXpcClient(const std::filesystem::path& socketPath);
    ~RawXpcClient();
    RawXpcClient(const RawXpcClient&) = delete;
    RawXpcClient& operator=(const RawXpcClient&) = delete;

    // False once the daemon has closed its end and the bytes cannot go.
    bool sendBytes(std::span<const std::uint8_t> bytes);
    bool sendFrame(std::span<const std::uint8_t> payload);  // with a correct length prefix
    bool sendMessage(const Json& message);                   // as CBOR, framed

    // The next frame's payload decoded from CBOR; none when the daemon
    // closed the connection or sent nothing within `limit`.
    std::optional<Json> receive(std::chrono::milliseconds limit = std::chrono::seconds(15));
    // True once the daemon has closed its end within `limit`; anything it
    // sends meanwhile is read and dropped.
    bool closedByPeer(std::chrono::milliseconds limit = std::chrono::seconds(15));

    // Ends our direction only: the daemon reads end of stream.
    void shutdownWrite();
    void close();

private:
    // True once the socket has something to read (data, end of stream or an
    // error); false when the deadline passes first.
    bool waitReadable(std::chrono::steady_clock::time_point deadline);
    bool readExactly(std::uint8_t* data, std::size_t size, std::chrono::steady_clock::time_point deadline);

    int fd_ = -1;
};

// A request as the wire carries it.
Json request(std::uint64_t id, std::string_view selector, Json arguments);

}  // namespace zephrane::helper::testing
