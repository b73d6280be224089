#include "shared/Uuid.hpp"

#include <unordered_set>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

TEST(Uuid, CanonicalTextIsUpperCaseAndRoundTrips) {
    auto id = Uuid::parse("0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->uuidString(), "0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9");
    EXPECT_EQ(Uuid::parse(id->uuidString()), id);
}

TEST(Uuid, MalformedTextsAreRefused) {
    const char* bad[] = {
        "",
        "00000000-0000-0000-0000-00000000000",    // 35 characters
        "00000000-0000-0000-0000-0000000000001",  // 37 characters
        "00000000000000000000000000000000",       // no hyphens
        "0000000-00000-0000-0000-000000000001",   // hyphen in the wrong place
        "00000000-0000-0000-0000-00000000000G",   // not hexadecimal
        "{0000000-0000-0000-0000-000000000001}",
    };
    for (const char* text : bad) EXPECT_FALSE(Uuid::parse(text)) << text;
}

TEST(Uuid, RandomIdentifiersAreVersion4AndDistinct) {
    std::unordered_set<Uuid> seen;
    for (int i = 0; i < 1000; ++i) {
        Uuid id = Uuid::random();
        EXPECT_EQ(id.bytes()[6] >> 4, 4);
        EXPECT_EQ(id.bytes()[8] & 0xC0, 0x80);
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
}  // namespace zephrane
