#include "platform/xpc/WireFormat.hpp"

#include <cmath>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>
#include "shared/JsonCoding.hpp"

namespace zephrane::xpc::wire {
namespace {

// Through the frame and back, as the peer would read it.
Values roundTrip(const Values& values) {
    auto frame = encodeFrame(makeReply(1, values));
    EXPECT_TRUE(frame);
    std::vector<std::uint8_t> bytes(frame->begin(), frame->end());
    std::array<std::uint8_t, kHeaderSize> header{};
    std::memcpy(header.data(), bytes.data(), header.size());
    EXPECT_EQ(readLength(header), bytes.size() - kHeaderSize);
    auto message = decodePayload(std::span(bytes).subspan(kHeaderSize));
    EXPECT_TRUE(message);
    auto response = decodeResponse(*message);
    EXPECT_TRUE(response);
    return std::get<Values>(response->outcome);
}

std::string bytesOf(const Json& json) {
    auto cbor = Json::to_cbor(json);
    return {cbor.begin(), cbor.end()};
}

std::optional<Json> decodeBytes(std::string_view bytes) {
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    return decodePayload(data);
}

TEST(WireFormat, EveryKindOfValueSurvivesExactly) {
    const Error error{"com.zephrane.Fanwarden", std::numeric_limits<std::int64_t>::min(), "fan index 9 out of range — °C"};
    const Values sent{Value(),
                      Value(std::numeric_limits<std::int64_t>::max()),
                      Value(std::numeric_limits<std::int64_t>::min()),
                      Value(std::int64_t{3}),
                      Value(3.0),
                      Value(-0.0),
                      Value(std::numeric_limits<double>::quiet_NaN()),
                      Value(-std::numeric_limits<double>::infinity()),
                      Value(0.1),
                      Value(true),
                      Value(false),
                      Value(""),
                      Value(std::string("nul\0inside", 10)),
                      Value(error),
                      Value(Error{})};
    const Values got = roundTrip(sent);
    ASSERT_EQ(got.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(got[i].kind(), sent[i].kind());  // 3 stays an integer, 3.0 a double
        if (auto d = sent[i].float64()) {
            if (std::isnan(*d)) {
                EXPECT_TRUE(std::isnan(*got[i].float64()));
            } else {
                EXPECT_EQ(*got[i].float64(), *d);
                EXPECT_EQ(std::signbit(*got[i].float64()), std::signbit(*d));  // -0.0 keeps its sign
            }
        } else {
            EXPECT_EQ(got[i], sent[i]);
        }
    }
}

TEST(WireFormat, PayloadsThatAreNotOneShallowCborItemAreRefused) {
    std::string deep(100, '\x81');  // 100 arrays, each holding the next
    deep += '\x01';
    std::string fine(kMaxNesting - 1, '\x81');
    fine += '\x01';
    const struct {
        const char* name;
        std::string bytes;
        bool accepted;
    } rows[] = {
        {"a small map", bytesOf(Json{{"id", 1}}), true},
        {"nesting at the limit", fine, true},
        {"nesting over the limit", deep, false},
        {"empty", "", false},
        {"garbage", "\xff\xff\xff\xff", false},
        {"truncated map", bytesOf(Json{{"id", 1}}).substr(0, 3), false},
        {"trailing bytes", bytesOf(Json{{"id", 1}}) + "\x01", false},
        {"array claiming 2^32 items", std::string("\x9a\xff\xff\xff\xff\x01", 6), false},
        {"text longer than the payload", std::string("\x7a\x00\x01\x00\x00" "abc", 8), false},
        {"tagged item", std::string("\xc1\x01", 2), false},
        {"reserved additional information", std::string("\x1c", 1), false},
        {"break outside an indefinite item", std::string("\x81\xff", 2), false},
        {"indefinite array", std::string("\x9f\x01\x02\xff", 4), true},
        {"unterminated indefinite array", std::string("\x9f\x01\x02", 3), false},
        {"map with an integer key", std::string("\xa1\x01\x02", 3), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(decodeBytes(row.bytes).has_value(), row.accepted);
    }
}

TEST(WireFormat, RequestsAreReadAsFarAsTheyCanBeAnswered) {
    const struct {
        const char* name;
        Json message;
        std::optional<std::uint64_t> id;  // whom to answer
        bool usable;
    } rows[] = {
        {"well formed", makeRequest(7, "hold", {Value(std::int64_t{1})}), 7, true},
        {"not a map", Json::array({7, "hold"}), std::nullopt, false},
        {"no id", Json{{"sel", "hold"}, {"args", Json::array()}}, std::nullopt, false},
        {"text id", Json{{"id", "7"}, {"sel", "hold"}, {"args", Json::array()}}, std::nullopt, false},
        {"negative id", Json{{"id", -7}, {"sel", "hold"}, {"args", Json::array()}}, std::nullopt, false},
        {"double id", Json{{"id", 7.0}, {"sel", "hold"}, {"args", Json::array()}}, std::nullopt, false},
        {"no selector", Json{{"id", 7}, {"args", Json::array()}}, 7, false},
        {"numeric selector", Json{{"id", 7}, {"sel", 5}, {"args", Json::array()}}, 7, false},
        {"no arguments", Json{{"id", 7}, {"sel", "hold"}}, 7, false},
        {"arguments not an array", Json{{"id", 7}, {"sel", "hold"}, {"args", 1}}, 7, false},
        {"an array among the arguments", Json{{"id", 7}, {"sel", "hold"}, {"args", Json::array({Json::array()})}}, 7,
         false},
        {"an error missing its code", Json{{"id", 7}, {"sel", "hold"}, {"args", Json::array({Json{{"domain", "d"}, {"description", "x"}}})}},
         7, false},
        {"an integer beyond int64", Json{{"id", 7}, {"sel", "hold"}, {"args", Json::array({std::uint64_t{1} << 63})}}, 7,
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // Through CBOR, as the service reads it.
        auto message = decodeBytes(bytesOf(row.message));
        ASSERT_TRUE(message);
        DecodedRequest decoded = decodeRequest(*message);
        EXPECT_EQ(decoded.id, row.id);
        EXPECT_EQ(decoded.request.has_value(), row.usable);
        if (!row.usable && row.id) {
            EXPECT_FALSE(decoded.problem.empty());
        }
    }
}

TEST(WireFormat, ResponsesCarryExactlyOneOfReplyOrError) {
    const Error error{"NSCocoaErrorDomain", 4101, "no valid reply"};
    auto reply = decodeResponse(*decodeBytes(bytesOf(makeReply(3, {Value(2.5)}))));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->id, 3u);
    EXPECT_EQ(std::get<Values>(reply->outcome), Values{Value(2.5)});
    auto failed = decodeResponse(*decodeBytes(bytesOf(makeError(4, error))));
    ASSERT_TRUE(failed);
    EXPECT_EQ(std::get<Error>(failed->outcome), error);

    Json both = makeReply(5, {});
    both["error"] = encodeValue(error);
    EXPECT_FALSE(decodeResponse(both));
    EXPECT_FALSE(decodeResponse(Json{{"id", 5}}));
    EXPECT_FALSE(decodeResponse(Json{{"id", 5}, {"error", "text"}}));
}

TEST(WireFormat, FramesOverTheLimitAreNotMade) {
    EXPECT_TRUE(encodeFrame(makeReply(1, {Value(std::string(kMaxFrame - 64, 'x'))})));
    EXPECT_FALSE(encodeFrame(makeReply(1, {Value(std::string(kMaxFrame, 'x'))})));
}

}  // namespace
}  // namespace zephrane::xpc::wire
