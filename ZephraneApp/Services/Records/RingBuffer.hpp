// A bounded series of readings, oldest first: the newest `capacity` values
// and a count of everything ever appended. Each figure of the telemetry
// history is one of these.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zephrane {

class RingBuffer {
public:
    // A capacity below 1 is raised to 1, so the buffer always keeps at least
    // the newest value.
    explicit RingBuffer(std::ptrdiff_t capacity)
        : capacity_(static_cast<std::size_t>(std::max<std::ptrdiff_t>(capacity, 1))) {
        storage_.reserve(capacity_);
    }

    void append(double value) {
        storage_.push_back(value);
        if (storage_.size() > capacity_)
            storage_.erase(storage_.begin(),
                           storage_.begin() + static_cast<std::ptrdiff_t>(storage_.size() - capacity_));
        ++totalAppended_;
    }

    std::size_t capacity() const noexcept { return capacity_; }
    // Oldest first, never more than capacity().
    const std::vector<double>& samples() const noexcept { return storage_; }
    std::int64_t totalAppended() const noexcept { return totalAppended_; }

    friend bool operator==(const RingBuffer&, const RingBuffer&) = default;

private:
    std::size_t capacity_;
    std::vector<double> storage_;
    std::int64_t totalAppended_ = 0;
};

}  // namespace zephrane
