// The HID event system served by the simulated machine on its HID socket.
// Each copyServices() is one exchange over a connection the client keeps
// (KeptConnection.hpp): the simulator answers with every service it has,
// and the matching is applied here. The
// simulator only serves temperature services, so a service whose answer
// leaves out the usage pair carries the temperature sensors' vendor usage
// page 0xFF00 and usage 5.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/iokit/HIDEventSystemClient.hpp"
#include "platform/iokit/KeptConnection.hpp"

namespace zephrane::iokit {

class SocketHIDEventSystemClient final : public HIDEventSystemClient {
public:
    // The whole exchange gives up after this long, so a hung simulator
    // costs one poll an empty list instead of blocking its caller.
    static constexpr std::chrono::milliseconds kDefaultTimeout{2000};

    explicit SocketHIDEventSystemClient(std::string socketPath, std::chrono::milliseconds timeout = kDefaultTimeout);

    void setMatching(HIDMatching matching) override;
    std::optional<std::vector<std::shared_ptr<HIDServiceClient>>> copyServices() override;

    // The services of one answer, unfiltered; nothing when it is not a JSON
    // array. Elements that are not objects are left out.
    static std::optional<std::vector<std::shared_ptr<HIDServiceSnapshot>>> parseServices(std::string_view json);

private:
    KeptConnection connection_;
    std::mutex mutex_;
    HIDMatching matching_;  // guarded by mutex_
};

}  // namespace zephrane::iokit
