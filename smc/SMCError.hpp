// The errors of SMC access. One exception type carries the case and its
// payload; what() is the text form other messages embed: the case name, then
// for a case with a payload the payload in parentheses, a text in double
// quotes and a number in decimal (`keyNotFound("Ftst")`, `callFailed(-536870169)`,
// `serviceNotFound`).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

#include "platform/iokit/IOReturn.hpp"

namespace zephrane {

// Result bytes of the SMC's answers that name a failure of their own.
inline constexpr std::uint8_t kSMCResultSuccess = 0x00;
inline constexpr std::uint8_t kSMCResultKeyNotFound = 0x84;
inline constexpr std::uint8_t kSMCResultNotReadable = 0x85;
inline constexpr std::uint8_t kSMCResultNotWritable = 0x86;

class SMCError : public std::runtime_error {
public:
    enum class Kind {
        openFailed,
        callFailed,
        keyNotFound,
        notReadable,
        notWritable,
        smcResult,
        codec,
        serviceNotFound,
    };

    // Nothing, a kernel return code, a key or message text, or a result byte.
    using Payload = std::variant<std::monostate, iokit::kern_return_t, std::string, std::uint8_t>;

    static SMCError openFailed(iokit::kern_return_t code);
    static SMCError callFailed(iokit::kern_return_t code);
    static SMCError keyNotFound(std::string key);
    static SMCError notReadable(std::string key);
    static SMCError notWritable(std::string key);
    static SMCError smcResult(std::uint8_t result);
    static SMCError codec(std::string message);
    static SMCError serviceNotFound();

    Kind kind() const { return kind_; }
    const Payload& payload() const { return payload_; }

    friend bool operator==(const SMCError& a, const SMCError& b) {
        return a.kind_ == b.kind_ && a.payload_ == b.payload_;
    }

private:
    SMCError(Kind kind, Payload payload);

    Kind kind_;
    Payload payload_;
};

std::string_view caseName(SMCError::Kind kind);

// Throws the error a non-zero result byte stands for, naming `key`: 0x84
// keyNotFound, 0x85 notReadable, 0x86 notWritable, any other smcResult.
void throwIfSMCResultFailed(std::uint8_t result, std::string_view key);

}  // namespace zephrane
