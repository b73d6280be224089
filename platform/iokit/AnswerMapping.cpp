#include "platform/iokit/AnswerMapping.hpp"

#include <new>

#include "platform/iokit/AnswerSegment.hpp"

namespace zephrane::iokit {
namespace {

const answers::Word* wordsOf(const void* mapping) {
    return std::launder(
        reinterpret_cast<const answers::Word*>(static_cast<const std::byte*>(mapping) + sizeof(answers::Header)));
}

}  // namespace

AnswerMapping::AnswerMapping(int descriptor, LeaseJudge::Clock clock)
    : memory_(descriptor, sizeof(answers::Header)), lease_(clock) {
    if (memory_.failure()) throw AnswerMappingError(*memory_.failure());
    // The simulator placed these objects; this side only reads them.
    header_ = std::launder(static_cast<const answers::Header*>(memory_.data()));
    if (header_->magic != answers::kMagic || header_->version != answers::kVersion || header_->capacity % 8 != 0 ||
        header_->capacity > memory_.size() - sizeof(answers::Header))
        throw AnswerMappingError("not a registry answer segment of this layout");
}

AnswerMapping::~AnswerMapping() = default;

bool AnswerMapping::retired() const { return header_->onSocket.load(std::memory_order_acquire) != 0; }

std::optional<nlohmann::json> AnswerMapping::answer(std::uint8_t operation, std::string_view argument) const {
    if (retired()) return std::nullopt;
    const std::int64_t renewedAt = header_->renewedAt.load(std::memory_order_acquire);
    if (!lease_.holds(renewedAt, header_->lease.load(std::memory_order_relaxed))) return std::nullopt;
    std::lock_guard lock(mutex_);
    // Parsed once per change, not once per question.
    if (!parsedSequence_ || header_->sequence.load(std::memory_order_acquire) != *parsedSequence_) {
        auto text = answers::loadText(*header_, wordsOf(memory_.data()), header_->capacity);
        if (!text) return std::nullopt;
        nlohmann::json parsed = nlohmann::json::parse(text->text, nullptr, false);
        if (parsed.is_discarded() || !parsed.is_object()) return std::nullopt;
        parsed_ = std::move(parsed);
        parsedSequence_ = text->sequence;
    }
    const auto found = parsed_.find(answers::answerKey(operation, argument));
    if (found == parsed_.end()) return std::nullopt;
    return *found;
}

}  // namespace zephrane::iokit
