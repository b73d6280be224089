// A deliberately plain client of the simulator's sockets for tests: blocking
// POSIX calls, its own framing code (so a framing slip on the server side
// shows), and a deadline on every wait so a test never hangs.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/iokit/IOReturn.hpp"
#include "platform/iokit/SimulatorProtocol.hpp"
#include "sim/SMCRecord.hpp"

namespace zephrane::sim::testing {

class SimTestClient {
public:
    explicit SimTestClient(const std::filesystem::path& path) : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        if (fd_ < 0) throw std::runtime_error("socket failed");
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd_);
            throw std::runtime_error("cannot connect to " + path.string());
        }
    }
    ~SimTestClient() { close(); }
    SimTestClient(const SimTestClient&) = delete;
    SimTestClient& operator=(const SimTestClient&) = delete;

    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    void sendRaw(std::span<const std::uint8_t> bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) throw std::runtime_error("send failed");
            sent += static_cast<std::size_t>(n);
        }
    }

    void send(std::span<const std::uint8_t> payload) {
        std::vector<std::uint8_t> frame = lengthPrefix(static_cast<std::uint32_t>(payload.size()));
        frame.insert(frame.end(), payload.begin(), payload.end());
        sendRaw(frame);
    }

    void send(std::string_view text) {
        send(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }

    // One answer frame; absent when the peer closed or nothing came in time.
    std::optional<std::vector<std::uint8_t>> receive(std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
        std::uint8_t header[4];
        if (!readExactly(header, 4, deadline)) return std::nullopt;
        const std::uint32_t length = std::uint32_t{header[0]} << 24 | std::uint32_t{header[1]} << 16 |
                                     std::uint32_t{header[2]} << 8 | std::uint32_t{header[3]};
        std::vector<std::uint8_t> payload(length);
        if (!readExactly(payload.data(), length, deadline)) return std::nullopt;
        return payload;
    }

    // True once the peer has closed (end of stream, or a reset for a
    // connection still waiting in the listen queue) within the deadline.
    bool closedByPeer(std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
        std::uint8_t byte;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(deadline.count())) <= 0) return false;
        return ::recv(fd_, &byte, 1, 0) <= 0;
    }

    // Bytes waiting to be read right now.
    bool hasPendingData() {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }

    // SMC helpers: the kern_return and the record that follows it.
    struct CallResult {
        iokit::kern_return_t code;
        std::vector<std::uint8_t> record;
    };

    std::optional<CallResult> exchange(std::span<const std::uint8_t> payload,
                                       std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
        send(payload);
        const auto answer = receive(deadline);
        if (!answer || answer->size() < 4) return std::nullopt;
        const auto raw = std::uint32_t{(*answer)[0]} << 24 | std::uint32_t{(*answer)[1]} << 16 |
                         std::uint32_t{(*answer)[2]} << 8 | std::uint32_t{(*answer)[3]};
        return CallResult{static_cast<iokit::kern_return_t>(raw), {answer->begin() + 4, answer->end()}};
    }

    iokit::kern_return_t open(std::uint32_t type = 0) {
        auto result = exchange(openPayload(type));
        if (!result) throw std::runtime_error("no answer to open");
        return result->code;
    }

    static std::vector<std::uint8_t> openPayload(std::uint32_t type = 0) {
        std::vector<std::uint8_t> p{iokit::wire::kOpOpen};
        for (auto b : lengthPrefix(type)) p.push_back(b);
        return p;
    }

    static std::vector<std::uint8_t> callPayload(const SMCRecord& record, std::size_t recordBytes = 80,
                                                 std::uint32_t selector = iokit::wire::kSMCSelector) {
        std::vector<std::uint8_t> p{iokit::wire::kOpCall};
        for (auto b : lengthPrefix(selector)) p.push_back(b);
        for (std::size_t i = 0; i < recordBytes; ++i) p.push_back(i < record.size() ? record[i] : 0);
        return p;
    }

    std::optional<CallResult> call(const SMCRecord& record) { return exchange(callPayload(record)); }

private:
    static std::vector<std::uint8_t> lengthPrefix(std::uint32_t n) {
        return {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
    }

    bool readExactly(std::uint8_t* out, std::size_t count, std::chrono::milliseconds deadline) {
        const auto end = std::chrono::steady_clock::now() + deadline;
        std::size_t got = 0;
        while (got < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
            const ssize_t n = ::recv(fd_, out + got, count - got, 0);
            if (n <= 0) return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    int fd_;
};

}  // namespace zephrane::sim::testing
