// The client's mapping of a shared key table, against segments made by hand
// the way a simulator makes them, then spoiled: what it answers itself,
// what it sends to the socket, and which descriptors it refuses to trust.
#include "platform/iokit/KeyTableMapping.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/platform/iokit/HandMadeKeyTable.hpp"

namespace zephrane::iokit {
namespace {

using testing::code;
using testing::HandMadeSegment;
using testing::Key;
using Record = std::array<std::uint8_t, 80>;

const std::vector<Key> kKeys = {{"FNum", 1, {2}}, {"F0Ac", 4, {0x00, 0x40, 0x9c, 0x45}}, {"RHID", 3, {}, 0x85}};

Record request(std::uint8_t command, std::string_view key, std::uint32_t index = 0) {
    Record r{};
    const std::uint32_t k = key.empty() ? 0 : code(key);
    std::memcpy(r.data(), &k, 4);
    r[42] = command;
    std::memcpy(r.data() + 44, &index, 4);
    return r;
}

std::optional<Record> answered(const KeyTableMapping& mapping, const Record& r) {
    Record answer{};
    answer.fill(0x5A);  // whatever the caller's buffer held
    if (!mapping.answer(r, answer)) return std::nullopt;
    return answer;
}

std::uint32_t u32At(const Record& r, std::size_t offset) {
    std::uint32_t value;
    std::memcpy(&value, r.data() + offset, 4);
    return value;
}

TEST(KeyTableMappingTest, AnswersReadsInformationAndIndexesAsTheFirmwareDoes) {
    HandMadeSegment segment(kKeys);
    const KeyTableMapping mapping(segment.sealed().fd());

    const Record info = answered(mapping, request(9, "F0Ac")).value();
    Record expected{};
    std::memcpy(expected.data(), &segment.entries[1]->key, 4);
    const std::uint32_t size = 4, type = code("ui8 ");
    std::memcpy(expected.data() + 28, &size, 4);
    std::memcpy(expected.data() + 32, &type, 4);
    expected[36] = 0x80;
    EXPECT_EQ(info, expected) << "every byte but the key, the information and the result is zero";

    const Record read = answered(mapping, request(5, "F0Ac")).value();
    EXPECT_EQ(read[40], 0);
    EXPECT_EQ(std::vector<std::uint8_t>(read.begin() + 48, read.begin() + 52),
              (std::vector<std::uint8_t>{0x00, 0x40, 0x9c, 0x45}));
    EXPECT_EQ(answered(mapping, request(5, "RHID")).value()[40], 0x85) << "the firmware's refusal";

    const Record second = answered(mapping, request(8, "", 1)).value();
    EXPECT_EQ(u32At(second, 0), code("F0Ac"));
    EXPECT_EQ(second[40], 0);
    for (const Record& absent : {request(9, "ZZZZ"), request(5, "ZZZZ"), request(8, "", 3), request(8, "", 0xFFFFFFFF)}) {
        const Record answer = answered(mapping, absent).value();
        EXPECT_EQ(answer[40], 0x84);
        EXPECT_EQ(u32At(answer, 0), u32At(absent, 0)) << "the request's key comes back";
    }
}

TEST(KeyTableMappingTest, SendsToTheSocketWhatTheSimulatorMustSee) {
    struct Row {
        const char* edge;
        std::function<void(HandMadeSegment&)> spoil;
        Record request;
    } rows[] = {
        {"a write", [](HandMadeSegment&) {}, request(6, "F0Ac")},
        {"a command the firmware does not know", [](HandMadeSegment&) {}, request(7, "F0Ac")},
        {"the table switched to the socket", [](HandMadeSegment& s) { s.header->onSocket = 1; }, request(5, "FNum")},
        {"no lease ever given", [](HandMadeSegment& s) { s.header->lease = 0; }, request(5, "FNum")},
        {"a key switched to the socket", [](HandMadeSegment& s) { s.entries[1]->onSocket = 1; }, request(9, "F0Ac")},
        {"an index request naming a key switched to the socket",
         [](HandMadeSegment& s) { s.entries[1]->onSocket = 1; }, request(8, "F0Ac", 0)},
        {"a value whose write never finished (the writer stopped halfway)",
         [](HandMadeSegment& s) { s.entries[1]->sequence = 7; }, request(5, "F0Ac")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        HandMadeSegment segment(kKeys);
        const KeyTableMapping mapping(segment.sealed().fd());
        row.spoil(segment);
        EXPECT_FALSE(answered(mapping, row.request).has_value());
    }

    HandMadeSegment segment(kKeys);
    const KeyTableMapping mapping(segment.sealed().fd());
    segment.entries[1]->onSocket = 1;
    EXPECT_TRUE(answered(mapping, request(5, "FNum"))) << "other keys stay on the table";
    EXPECT_TRUE(answered(mapping, request(8, "", 1))) << "listing a switched key names no key";
}

std::atomic<std::int64_t> ourNow{0};
std::int64_t ourClock() { return ourNow.load(); }

// The simulator's clock may be far from ours (it runs in another time
// namespace, or we do): its stamps only measure the time between renewals,
// and the lease runs on our clock from the freshest renewal we saw.
TEST(KeyTableMappingTest, TheLeaseRunsOnThisProcesssClockWhereverTheSimulatorsStands) {
    using namespace std::chrono;
    constexpr std::int64_t kLease = duration_cast<nanoseconds>(1s).count();
    constexpr std::int64_t kHour = duration_cast<nanoseconds>(1h).count();
    const struct {
        const char* edge;
        std::int64_t simulatorAhead;  // its clock less ours
    } rows[] = {
        {"the same clock", 0},
        {"the simulator's an hour ahead", kHour},
        {"the simulator's an hour behind", -kHour},
        {"the simulator's a day of hours ahead", 24 * kHour},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edge);
        HandMadeSegment segment(kKeys);
        ourNow = 5 * kHour;
        const auto renew = [&] {
            segment.header->lease = kLease;
            segment.header->renewedAt = ourNow.load() + row.simulatorAhead;
        };
        renew();
        const KeyTableMapping mapping(segment.sealed().fd(), ourClock);
        EXPECT_TRUE(answered(mapping, request(5, "FNum"))) << "just renewed";
        ourNow += kLease - 1;
        EXPECT_TRUE(answered(mapping, request(5, "FNum"))) << "within the lease";
        ourNow += 1;
        EXPECT_FALSE(answered(mapping, request(5, "FNum"))) << "a lease's time without a renewal";
        ourNow += 10 * kHour;
        EXPECT_FALSE(answered(mapping, request(5, "FNum")));
        renew();
        EXPECT_TRUE(answered(mapping, request(5, "FNum"))) << "renewed again";
        ourNow += kLease / 2;
        renew();
        ourNow += kLease - 1;
        EXPECT_TRUE(answered(mapping, request(5, "FNum"))) << "from the latest renewal";
        ourNow += 1;
        EXPECT_FALSE(answered(mapping, request(5, "FNum")));
    }
}

TEST(KeyTableMappingTest, RefusesDescriptorsItCannotTrust) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    using Descriptor = std::function<int(std::vector<std::unique_ptr<HandMadeSegment>>&)>;
    // A sealed segment of kKeys, spoiled first.
    auto spoiled = [](std::function<void(HandMadeSegment&)> spoil) -> Descriptor {
        return [spoil](auto& keep) {
            HandMadeSegment& s = *keep.emplace_back(std::make_unique<HandMadeSegment>(kKeys));
            spoil(s);
            return s.sealed().fd();
        };
    };
    struct Row {
        const char* edge;
        Descriptor descriptor;
    } rows[] = {
        {"a pipe", [&](auto&) { return pipeEnds[0]; }},
        {"an unsealed segment, which could shrink under the mapping",
         [](auto& keep) { return keep.emplace_back(std::make_unique<HandMadeSegment>(kKeys))->fd(); }},
        {"sealed against growing only",
         [](auto& keep) {
             return keep.emplace_back(std::make_unique<HandMadeSegment>(kKeys))->sealed(F_SEAL_GROW).fd();
         }},
        {"another magic", spoiled([](HandMadeSegment& s) { s.header->magic = 0x12345678; })},
        {"another version", spoiled([](HandMadeSegment& s) { s.header->version = segment::kVersion + 1; })},
        {"entries of another size", spoiled([](HandMadeSegment& s) { s.header->entrySize = 48; })},
        {"more keys than the file holds", spoiled([](HandMadeSegment& s) { s.header->keyCount = 0xFFFFFFFF; })},
        {"a key listed twice", spoiled([](HandMadeSegment& s) { s.entries[2]->key = s.entries[0]->key; })},
        {"a file shorter than a header", spoiled([](HandMadeSegment& s) {
             if (::ftruncate(s.fd(), 16) != 0) throw std::runtime_error("ftruncate");
         })},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        std::vector<std::unique_ptr<HandMadeSegment>> keep;
        EXPECT_THROW(KeyTableMapping{row.descriptor(keep)}, KeyTableMappingError);
    }
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);

    HandMadeSegment good(kKeys, 64);
    EXPECT_NO_THROW(KeyTableMapping{good.sealed().fd()}) << "room to spare past the last key is no fault";
}

}  // namespace
}  // namespace zephrane::iokit
