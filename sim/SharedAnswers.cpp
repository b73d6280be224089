#include "sim/SharedAnswers.hpp"

#include <new>

#include "platform/iokit/AnswerSegment.hpp"
#include "platform/iokit/LeaseJudge.hpp"

namespace zephrane::sim {
namespace {

namespace answers = iokit::answers;

answers::Word* wordsOf(void* data) {
    return std::launder(reinterpret_cast<answers::Word*>(static_cast<std::byte*>(data) + sizeof(answers::Header)));
}

}  // namespace

SharedAnswers::SharedAnswers() : memory_("zephrane-registry-answers", sizeof(answers::Header) + answers::kCapacity) {
    // Fresh zeroed memory: the objects begin their life here.
    header_ = new (memory_.data()) answers::Header{};
    header_->magic = answers::kMagic;
    header_->version = answers::kVersion;
    header_->capacity = static_cast<std::uint32_t>(answers::kCapacity);
    for (std::size_t i = 0; i < answers::kCapacity / 8; ++i) new (wordsOf(memory_.data()) + i) answers::Word(0);
    memory_.seal();
}

bool SharedAnswers::publish(const std::string& text) {
    if (text.size() > answers::kCapacity) return false;
    std::lock_guard lock(mutex_);
    if (text == published_) return true;
    answers::storeText(*header_, wordsOf(memory_.data()), text);
    published_ = text;
    return true;
}

void SharedAnswers::setOnSocket(bool onSocket) {
    header_->onSocket.store(onSocket ? 1 : 0, std::memory_order_release);
}

void SharedAnswers::renewLease(std::chrono::nanoseconds lease) {
    header_->lease.store(std::max<std::int64_t>(lease.count(), 0), std::memory_order_relaxed);
    header_->renewedAt.store(iokit::monotonicNanoseconds(), std::memory_order_release);
}

}  // namespace zephrane::sim
