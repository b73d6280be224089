// The simulator's side of the registry's answers in shared memory
// (platform/iokit/AnswerSegment.hpp): a sealed memfd holding, as one JSON
// text, the answers to the questions clients ask every second, which they
// read without a round trip. The owner (SimulatedSMC) publishes after every
// change and renews the lease with the key table's.
#pragma once

#include <chrono>
#include <mutex>
#include <string>

#include "sim/SealedSegment.hpp"

namespace zephrane::iokit::answers {
struct Header;
}  // namespace zephrane::iokit::answers

namespace zephrane::sim {

class SharedAnswers {
public:
    // Throws std::system_error when the segment cannot be made and sealed.
    SharedAnswers();

    // Stores `text` (a JSON object) when it differs from what is there;
    // false, storing nothing, when it does not fit. Any thread.
    bool publish(const std::string& text);
    void setOnSocket(bool onSocket);
    void renewLease(std::chrono::nanoseconds lease);
    int openForClient() const { return memory_.openForClient(); }

private:
    SealedSegment memory_;
    iokit::answers::Header* header_ = nullptr;
    std::mutex mutex_;  // one writer at a time
    std::string published_;  // guarded by mutex_
};

}  // namespace zephrane::sim
