// The client's read-only mapping of the registry's answers the simulator
// shares (AnswerSegment.hpp): it answers the questions they hold, as the
// socket would, while the simulator's lease holds and it has not switched
// its clients back to the socket; everything else is the socket's.
//
// The segment comes from another process and is checked before it is
// trusted: a descriptor that is not a sealed segment of this layout is
// refused, and so is a text that is not a JSON object.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/iokit/LeaseJudge.hpp"
#include "platform/iokit/SealedMapping.hpp"

namespace zephrane::iokit {

namespace answers {
struct Header;
}  // namespace answers

class AnswerMappingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class AnswerMapping {
public:
    // Maps the segment behind `descriptor`, which the caller keeps and may
    // close at once. Throws AnswerMappingError with the reason.
    explicit AnswerMapping(int descriptor, LeaseJudge::Clock clock = monotonicNanoseconds);
    ~AnswerMapping();
    AnswerMapping(const AnswerMapping&) = delete;
    AnswerMapping& operator=(const AnswerMapping&) = delete;

    // The shared answer to one question; none when the question must go over
    // the socket. Safe from many threads at once.
    std::optional<nlohmann::json> answer(std::uint8_t operation, std::string_view argument) const;
    // The simulator has sent every question back to the socket for good.
    bool retired() const;

private:
    SealedMapping memory_;
    const answers::Header* header_ = nullptr;
    LeaseJudge lease_;
    mutable std::mutex mutex_;
    mutable std::optional<std::uint32_t> parsedSequence_;  // guarded by mutex_
    mutable nlohmann::json parsed_;                         // guarded by mutex_: the text of parsedSequence_
};

}  // namespace zephrane::iokit
