#include "ZephraneApp/Services/Records/TelemetryStore.hpp"

#include <chrono>
#include <clocale>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <QLocale>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using Sample = TelemetryStore::HistorySample;
using TimePoint = std::chrono::system_clock::time_point;

const TimePoint kPiDay = TimePoint{} + 1741944413s;  // 2025-03-14T09:26:53Z

TEST(RingBuffer, KeepsTheNewestUpToCapacity) {
    struct Case {
        const char* name;
        std::ptrdiff_t capacity;
        std::vector<double> appended;
        std::vector<double> kept;
    };
    const Case cases[] = {
        {"below capacity keeps everything in order", 3, {1, 2}, {1, 2}},
        {"exactly at capacity", 3, {1, 2, 3}, {1, 2, 3}},
        {"past capacity drops the oldest", 3, {1, 2, 3, 4, 5}, {3, 4, 5}},
        {"capacity 0 acts as 1", 0, {1, 2, 3}, {3}},
        {"a negative capacity acts as 1", -5, {7, 8}, {8}},
        {"nothing appended", 2, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RingBuffer buffer(c.capacity);
        for (double v : c.appended) {
            buffer.append(v);
            EXPECT_LE(buffer.samples().size(), buffer.capacity());
        }
        EXPECT_EQ(buffer.samples(), c.kept);
        EXPECT_EQ(buffer.totalAppended(), static_cast<std::int64_t>(c.appended.size()));
    }
}

TEST(TelemetryStore, HistoryHoldsTheLastSixtyRecordsWithTheirTimes) {
    TimePoint now = kPiDay;
    TelemetryStore store([&now] { return now; });
    EXPECT_TRUE(store.history().empty());

    for (int i = 0; i < 61; ++i) {
        store.record(40.0 + i, 1000.0 + i, 10.0 + i, 0.5 + i);
        now += 1s;
    }

    const auto history = store.history();
    ASSERT_EQ(history.size(), 60u);
    EXPECT_EQ(history.front(), (Sample{kPiDay + 1s, 41, 1001, 11, 1.5})) << "the first record is gone";
    EXPECT_EQ(history.back(), (Sample{kPiDay + 60s, 100, 1060, 70, 60.5}));
    EXPECT_EQ(store.timestamps().size(), 60u);
    for (const RingBuffer* buffer : {&store.maxTemp(), &store.fanRPM(), &store.systemWatts(), &store.fanWatts()}) {
        EXPECT_EQ(buffer->samples().size(), 60u);
        EXPECT_EQ(buffer->totalAppended(), 61);
    }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct CsvCase {
    const char* name;
    Sample sample;
    std::string line;
};

const CsvCase kCsvLines[] = {
    {"two, zero, two and two decimals", {kPiDay, 71.234, 2450.6, 12.3456, 0.5},
     "2025-03-14T09:26:53Z,71.23,2451,12.35,0.50"},
    {"fractional seconds are dropped, never rounded up", {kPiDay + 999ms, 50, 0, 0, 0},
     "2025-03-14T09:26:53Z,50.00,0,0.00,0.00"},
    {"a time before 1970 drops its fraction downwards", {TimePoint{} - 500ms, 0, 0, 0, 0},
     "1969-12-31T23:59:59Z,0.00,0,0.00,0.00"},
    {"exact halves round to even like printf", {TimePoint{}, 0.125, 2.5, 0.375, 3.5},
     "1970-01-01T00:00:00Z,0.12,2,0.38,3.50"},
    {"a tiny negative keeps its sign like printf", {TimePoint{}, -0.001, -0.4, 0, 0},
     "1970-01-01T00:00:00Z,-0.00,-0,0.00,0.00"},
    {"large values get no grouping", {TimePoint{}, 1234567.891, 65535, 1e6, 0},
     "1970-01-01T00:00:00Z,1234567.89,65535,1000000.00,0.00"},
    {"not a number", {TimePoint{}, kNaN, 0, 0, 0}, "1970-01-01T00:00:00Z,nan,0,0.00,0.00"},
};

TEST(TelemetryStoreCsv, OneLinePerSample) {
    for (const auto& c : kCsvLines) {
        SCOPED_TRACE(c.name);
        const std::vector<Sample> samples{c.sample};
        EXPECT_EQ(TelemetryStore::csv(samples), "timestamp,maxTempC,fanRPM,systemWatts,fanWatts\n" + c.line + "\n");
    }
}

TEST(TelemetryStoreCsv, EmptyHistoryIsTheHeaderAndOneLineFeed) {
    EXPECT_EQ(TelemetryStore::csv({}), "timestamp,maxTempC,fanRPM,systemWatts,fanWatts\n");
}

TEST(TelemetryStoreCsv, LinesAreOldestFirstWithLineFeedsOnly) {
    const std::vector<Sample> samples{{kPiDay, 60, 1200, 8, 0.25}, {kPiDay + 1s, 61, 1300, 9, 0.3}};
    EXPECT_EQ(TelemetryStore::csv(samples),
              "timestamp,maxTempC,fanRPM,systemWatts,fanWatts\n"
              "2025-03-14T09:26:53Z,60.00,1200,8.00,0.25\n"
              "2025-03-14T09:26:54Z,61.00,1300,9.00,0.30\n");
}

// A German process locale writes decimal commas through printf and QLocale;
// the file must not change with it.
TEST(TelemetryStoreCsv, IgnoresTheProcessLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "de_DE.utf8") == nullptr)
        GTEST_SKIP() << "no German locale installed";
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.2f", 71.234);
    EXPECT_STREQ(printed, "71,23") << "the locale is not in effect, so this test proves nothing";

    const std::vector<Sample> samples{{kPiDay, 71.234, 2450.6, 12.3456, 1234.5}};
    const std::string text = TelemetryStore::csv(samples);

    std::setlocale(LC_ALL, previous.c_str());
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(text, "timestamp,maxTempC,fanRPM,systemWatts,fanWatts\n"
                    "2025-03-14T09:26:53Z,71.23,2451,12.35,1234.50\n");
}

}  // namespace
}  // namespace zephrane
