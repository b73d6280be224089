#include "shared/JsonCoding.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "shared/SensorModel.hpp"

namespace zephrane {
namespace {

using Kind = DecodingError::Kind;

template <class F>
DecodingError decodingErrorOf(F&& f) {
    try {
        f();
    } catch (const DecodingError& e) {
        return e;
    }
    ADD_FAILURE() << "expected a DecodingError";
    return DecodingError(Kind::dataCorrupted, "", "none");
}

TEST(JsonCoding, MalformedTextIsDataCorrupted) {
    for (const char* text : {"", "{", "[1,", "nul", "{\"a\":}", "\xff\xfe"}) {
        auto e = decodingErrorOf([&] { json::parse(text); });
        EXPECT_EQ(e.kind(), Kind::dataCorrupted) << text;
    }
}

TEST(JsonCoding, Int64IsReadFromTheIntegerNeverThroughADouble) {
    EXPECT_EQ(json::decodeInt64(json::parse("9223372036854775807"), ""), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(json::decodeInt64(json::parse("-9223372036854775808"), ""), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(json::decodeInt64(json::parse("9007199254740993"), ""), 9007199254740993LL);
    EXPECT_EQ(json::decodeInt64(json::parse("42.0"), ""), 42);
    for (const char* text : {"9223372036854775808", "1.5", "1e300"}) {
        auto e = decodingErrorOf([&] { json::decodeInt64(json::parse(text), "x"); });
        EXPECT_EQ(e.kind(), Kind::dataCorrupted) << text;
        EXPECT_EQ(e.codingPath(), "x");
    }
    EXPECT_EQ(decodingErrorOf([] { json::decodeInt64(Json("7"), ""); }).kind(), Kind::typeMismatch);
}

TEST(JsonCoding, WrongTypesAndNullsAreNamed) {
    EXPECT_EQ(decodingErrorOf([] { json::decodeString(Json(3), "a"); }).kind(), Kind::typeMismatch);
    EXPECT_EQ(decodingErrorOf([] { json::decodeDouble(Json(nullptr), "a"); }).kind(), Kind::valueNotFound);
    EXPECT_EQ(decodingErrorOf([] { json::decodeBool(Json(1), "a"); }).kind(), Kind::typeMismatch);
    EXPECT_EQ(decodingErrorOf([] { json::decodeUuid(Json("not-a-uuid"), "a"); }).kind(), Kind::dataCorrupted);
}

TEST(JsonCoding, ObjectReaderReportsMissingKeysWithTheirPath) {
    Json object = json::parse(R"({"present": 1, "nothing": null})");
    json::ObjectReader reader(object, "outer", "Thing");
    auto missing = decodingErrorOf([&] { reader.number("absent"); });
    EXPECT_EQ(missing.kind(), Kind::keyNotFound);
    EXPECT_EQ(missing.codingPath(), "outer.absent");
    EXPECT_EQ(decodingErrorOf([&] { reader.number("nothing"); }).kind(), Kind::valueNotFound);
    EXPECT_EQ(reader.optionalNumber("nothing"), std::nullopt);
    EXPECT_EQ(reader.optionalNumber("absent"), std::nullopt);
    EXPECT_EQ(reader.optionalNumber("present"), 1.0);
    EXPECT_EQ(decodingErrorOf([] { json::ObjectReader(Json::array(), "", "Thing"); }).kind(), Kind::typeMismatch);
}

TEST(JsonCoding, SingleCaseKeyNeedsExactlyOneCaseName) {
    const std::initializer_list<std::string_view> cases{"floor", "fixed"};
    EXPECT_EQ(json::singleCaseKey(json::parse(R"({"fixed":{}, "extra":1})"), "", "ModeSpeed", cases), "fixed");
    for (const char* text : {R"({})", R"({"floor":{},"fixed":{}})", R"({"other":{}})"}) {
        auto e = decodingErrorOf([&] { json::singleCaseKey(json::parse(text), "speed", "ModeSpeed", cases); });
        EXPECT_EQ(e.kind(), Kind::typeMismatch) << text;
        EXPECT_EQ(e.debugDescription(), "Invalid number of keys found, expected one.") << text;
        EXPECT_EQ(e.codingPath(), "speed");
    }
}

TEST(JsonCoding, NonFiniteDoublesAreRefusedOnEncode) {
    EXPECT_THROW(json::encodeDouble(std::nan(""), "x"), EncodingError);
    EXPECT_THROW(json::encodeDouble(-std::numeric_limits<double>::infinity(), "x"), EncodingError);
    EXPECT_EQ(json::encodeDouble(-0.0, "x").get<double>(), 0.0);
}

TEST(JsonCoding, KeyedArrayAlternatesRawKeysAndValues) {
    std::map<SensorCategory, double> caps{{SensorCategory::gpu, 0.5}, {SensorCategory::cpu, 0.25}};
    auto encode = [](double v, std::string_view path) { return json::encodeDouble(v, path); };
    auto decode = [](const Json& v, std::string_view path) { return json::decodeDouble(v, path); };
    Json stored = json::encodeKeyedArray(caps, "", encode);
    EXPECT_EQ(stored, json::parse(R"(["cpu", 0.25, "gpu", 0.5])"));
    EXPECT_EQ((json::decodeKeyedArray<SensorCategory, double>(stored, "", decode)), caps);

    for (const char* text : {R"(["cpu"])", R"(["CPU", 1])", R"([1, 1])", R"({"cpu": 1})"}) {
        EXPECT_THROW((json::decodeKeyedArray<SensorCategory, double>(json::parse(text), "", decode)), DecodingError)
            << text;
    }
}

}  // namespace
}  // namespace zephrane
