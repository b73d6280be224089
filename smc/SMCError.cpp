#include "smc/SMCError.hpp"

#include "shared/DebugText.hpp"

#include <cstdio>
#include <utility>

namespace zephrane {
namespace {

std::string describe(SMCError::Kind kind, const SMCError::Payload& payload) {
    // append() only: GCC 12 at -O3 misreads "(" + string as an overlapping
    // copy (-Wrestrict).
    std::string text(caseName(kind));
    std::string inner;
    if (const auto* code = std::get_if<iokit::kern_return_t>(&payload))
        inner = std::to_string(*code);
    else if (const auto* message = std::get_if<std::string>(&payload))
        inner = quotedDebugText(*message);
    else if (const auto* result = std::get_if<std::uint8_t>(&payload))
        inner = std::to_string(unsigned{*result});
    else
        return text;
    return text.append("(").append(inner).append(")");
}

}  // namespace

std::string_view caseName(SMCError::Kind kind) {
    switch (kind) {
        case SMCError::Kind::openFailed: return "openFailed";
        case SMCError::Kind::callFailed: return "callFailed";
        case SMCError::Kind::keyNotFound: return "keyNotFound";
        case SMCError::Kind::notReadable: return "notReadable";
        case SMCError::Kind::notWritable: return "notWritable";
        case SMCError::Kind::smcResult: return "smcResult";
        case SMCError::Kind::codec: return "codec";
        case SMCError::Kind::serviceNotFound: return "serviceNotFound";
    }
    return "";
}

SMCError::SMCError(Kind kind, Payload payload)
    : std::runtime_error(describe(kind, payload)), kind_(kind), payload_(std::move(payload)) {}

SMCError SMCError::openFailed(iokit::kern_return_t code) { return {Kind::openFailed, code}; }
SMCError SMCError::callFailed(iokit::kern_return_t code) { return {Kind::callFailed, code}; }
SMCError SMCError::keyNotFound(std::string key) { return {Kind::keyNotFound, std::move(key)}; }
SMCError SMCError::notReadable(std::string key) { return {Kind::notReadable, std::move(key)}; }
SMCError SMCError::notWritable(std::string key) { return {Kind::notWritable, std::move(key)}; }
SMCError SMCError::smcResult(std::uint8_t result) { return {Kind::smcResult, result}; }
SMCError SMCError::codec(std::string message) { return {Kind::codec, std::move(message)}; }
SMCError SMCError::serviceNotFound() { return {Kind::serviceNotFound, std::monostate{}}; }

void throwIfSMCResultFailed(std::uint8_t result, std::string_view key) {
    switch (result) {
        case 0: return;
        case kSMCResultKeyNotFound: throw SMCError::keyNotFound(std::string(key));
        case kSMCResultNotReadable: throw SMCError::notReadable(std::string(key));
        case kSMCResultNotWritable: throw SMCError::notWritable(std::string(key));
        default: throw SMCError::smcResult(result);
    }
}

}  // namespace zephrane
