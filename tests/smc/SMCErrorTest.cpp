#include "smc/SMCError.hpp"

#include <gtest/gtest.h>

namespace zephrane {
namespace {

TEST(SMCError, TextFormIsTheCaseNameWithItsPayload) {
    struct Case {
        SMCError error;
        const char* text;
    };
    const Case cases[] = {
        {SMCError::openFailed(iokit::kIOReturnNotPrivileged), "openFailed(-536870207)"},
        {SMCError::callFailed(iokit::kIOReturnUnderrun), "callFailed(-536870169)"},
        {SMCError::callFailed(5), "callFailed(5)"},
        {SMCError::keyNotFound("Ftst"), "keyNotFound(\"Ftst\")"},
        {SMCError::notReadable("F0Ac"), "notReadable(\"F0Ac\")"},
        {SMCError::notWritable("F0Mx"), "notWritable(\"F0Mx\")"},
        {SMCError::smcResult(0x82), "smcResult(130)"},
        {SMCError::codec("decode F0Ac: sizeMismatch(expected: 2, got: 1)"),
         "codec(\"decode F0Ac: sizeMismatch(expected: 2, got: 1)\")"},
        // A quote inside a text payload is escaped so the text reads back.
        {SMCError::codec("decode ABCD: unsupportedType(\"ch8*\")"),
         "codec(\"decode ABCD: unsupportedType(\\\"ch8*\\\")\")"},
        {SMCError::keyNotFound(std::string("A\0\n\\", 4)), "keyNotFound(\"A\\0\\n\\\\\")"},
        {SMCError::serviceNotFound(), "serviceNotFound"},
    };
    for (const auto& c : cases) EXPECT_STREQ(c.error.what(), c.text);
}

TEST(SMCError, EqualMeansSameCaseAndPayload) {
    EXPECT_EQ(SMCError::keyNotFound("Ftst"), SMCError::keyNotFound("Ftst"));
    EXPECT_NE(SMCError::keyNotFound("Ftst"), SMCError::notReadable("Ftst"));
    EXPECT_NE(SMCError::keyNotFound("Ftst"), SMCError::keyNotFound("FNum"));
    EXPECT_NE(SMCError::openFailed(1), SMCError::callFailed(1));
    EXPECT_EQ(SMCError::serviceNotFound(), SMCError::serviceNotFound());
}

TEST(SMCError, ResultBytesNameTheirFailure) {
    struct Case {
        std::uint8_t result;
        SMCError expected;
    };
    const Case cases[] = {
        {0x84, SMCError::keyNotFound("F0Ac")},
        {0x85, SMCError::notReadable("F0Ac")},
        {0x86, SMCError::notWritable("F0Ac")},
        {0x01, SMCError::smcResult(0x01)},
        {0x87, SMCError::smcResult(0x87)},
        {0xFF, SMCError::smcResult(0xFF)},
    };
    EXPECT_NO_THROW(throwIfSMCResultFailed(0, "F0Ac"));
    for (const auto& c : cases) {
        try {
            throwIfSMCResultFailed(c.result, "F0Ac");
            ADD_FAILURE() << "no error for " << int{c.result};
        } catch (const SMCError& error) {
            EXPECT_EQ(error, c.expected) << error.what();
        }
    }
}

}  // namespace
}  // namespace zephrane
