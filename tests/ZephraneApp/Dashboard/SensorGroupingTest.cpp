// The sensor list's search and groups as tables over a small machine: what a
// query finds, where pinned sensors go, the order within a group, the
// counts and the empty-page texts.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ZephraneApp/Dashboard/Rules/SensorGrouping.hpp"

namespace zephrane::dashboard {
namespace {

SMCSensor make(std::string key, std::string name, SensorClass sensorClass) {
    return {key, key, std::move(name), SensorCategory::cpu, 40, sensorClass, ""};
}

// A small machine, in the poller's order.
const std::vector<SMCSensor>& machine() {
    static const std::vector<SMCSensor> sensors{
        make("Tp09", "Core 2", SensorClass::temperature),
        make("Tp01", "Core 10", SensorClass::temperature),
        make("TB0T", "battery", SensorClass::temperature),
        make("PSTR", "System Total", SensorClass::power),
        make("VD0R", "DC In", SensorClass::voltage),
        make("ID0R", "DC In", SensorClass::current),
        make("F0Ac", "Fan 1", SensorClass::fan),
        make("F1Ac", "Fan 2", SensorClass::fan),
        make("MSTc", "Mystery", SensorClass::other),
        make("TW0P", "Airport Proximity", SensorClass::temperature),
        make("TG0P", "DC In", SensorClass::temperature),
    };
    return sensors;
}

// Each group as its title and its sensors' keys.
using Listing = std::vector<std::pair<std::string, std::vector<std::string>>>;

Listing listed(const std::set<std::string>& pins, const QString& query) {
    Listing made;
    for (const SensorGroup& group : sensorGroups(machine(), pins, query)) {
        std::vector<std::string> keys;
        for (std::size_t i : group.members) keys.push_back(machine()[i].key);
        made.push_back({groupTitle(group.kind), keys});
    }
    return made;
}

TEST(SensorGrouping, EveryClassInItsOrderNamesByCodePoint) {
    EXPECT_EQ(listed({}, ""), (Listing{{"Temperature", {"TW0P", "Tp01", "Tp09", "TG0P", "TB0T"}},
                                       {"Power", {"PSTR"}},
                                       {"Voltage", {"VD0R"}},
                                       {"Current", {"ID0R"}},
                                       {"Fans", {"F0Ac", "F1Ac"}}}))
        << "Core 10 before Core 2, capitals before small letters; other sensors in no group";
}

TEST(SensorGrouping, PinnedFirstByNameAndNowhereElse) {
    EXPECT_EQ(listed({"TB0T", "MSTc", "F1Ac"}, ""),
              (Listing{{"Pinned", {"F1Ac", "MSTc", "TB0T"}},
                       {"Temperature", {"TW0P", "Tp01", "Tp09", "TG0P"}},
                       {"Power", {"PSTR"}},
                       {"Voltage", {"VD0R"}},
                       {"Current", {"ID0R"}},
                       {"Fans", {"F0Ac"}}}));
}

TEST(SensorGrouping, ASearchFindsNamesThenKeysIgnoringCase) {
    struct Case {
        const char* name;
        QString query;
        std::set<std::string> pins;
        Listing expected;
    };
    for (const Case& c : {
             Case{"a name, lower case", "core", {}, {{"Temperature", {"Tp01", "Tp09"}}}},
             Case{"a key's first three letters", "tg0", {}, {{"Temperature", {"TG0P"}}}},
             Case{"spaces around are trimmed", "  FAN \n", {}, {{"Fans", {"F0Ac", "F1Ac"}}}},
             Case{"only spaces: all", "   ", {}, listed({}, "")},
             Case{"equal names keep the poller's order", "dc in", {},
                  {{"Temperature", {"TG0P"}}, {"Voltage", {"VD0R"}}, {"Current", {"ID0R"}}}},
             Case{"a pinned match only under Pinned", "fan", {"F1Ac", "TB0T"},
                  {{"Pinned", {"F1Ac"}}, {"Fans", {"F0Ac"}}}},
             Case{"an unpinned other sensor is never listed", "myst", {}, {}},
             Case{"no match", "zzz", {}, {}},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(listed(c.pins, c.query), c.expected);
    }
}

TEST(SensorGrouping, WhatCountsAsASearch) {
    EXPECT_FALSE(isSearching(""));
    EXPECT_FALSE(isSearching(" \t\n "));
    EXPECT_TRUE(isSearching(" a "));
}

TEST(SensorGrouping, CountsAndEmptyPages) {
    EXPECT_EQ(essentialsCountText(14, false), "14 key readings \u00B7 \u00B0C");
    EXPECT_EQ(essentialsCountText(3, true), "3 key readings \u00B7 \u00B0F");
    EXPECT_EQ(groupedCountText(3, 212), "3 of 212");
    EXPECT_EQ(groupedCountText(1234, 1234), "1234 of 1234");
    EXPECT_EQ(noSensorsDescription(true), "Discovery hasn't finished yet.");
    EXPECT_EQ(noSensorsDescription(false), "Couldn't open the SMC.");
    EXPECT_EQ(noResultsTitle("  zzz "), "No Results for \u201C  zzz \u201D") << "the query as typed";
}

}  // namespace
}  // namespace zephrane::dashboard
