// The gallery shows the sensor list over one captured poll of the simulated
// two-fan laptop (a fixture file of the gallery). It stays what the laptop
// gives: the same sensors, named and classed alike. When the laptop
// changes, write the fixture anew with
//   ZEPHRANE_WRITE_LAPTOP_FIXTURE=1 build/tests/ZephraneApp/Dashboard/app_GalleryLaptopFixtureTest
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "LaptopReadings.hpp"
#include "shared/JsonFwd.hpp"

namespace zephrane::dashboardtest {
namespace {

struct Identity {
    std::string key;
    std::string name;
    SensorClass sensorClass;
    SensorCategory category;
    friend bool operator==(const Identity&, const Identity&) = default;
};

std::vector<Identity> identities(const std::vector<SMCSensor>& sensors) {
    std::vector<Identity> made;
    for (const SMCSensor& s : sensors) made.push_back({s.key, s.name, s.sensorClass, s.category});
    return made;
}

TEST(GalleryLaptopFixture, HoldsThePollOfTheSimulatedLaptop) {
    // A minute into a steady load: warm, the fans turning.
    const std::vector<SMCSensor> poll = facetest::laptopReadings(12).back().allSensors;
    ASSERT_GT(poll.size(), 500u);
    if (qEnvironmentVariableIsSet("ZEPHRANE_WRITE_LAPTOP_FIXTURE")) {
        // One sensor a line.
        std::ofstream out(ZEPHRANE_LAPTOP_FIXTURE);
        out << "[\n";
        for (std::size_t i = 0; i < poll.size(); ++i) out << poll[i].toJson().dump() << (i + 1 < poll.size() ? ",\n" : "\n");
        out << "]\n";
    }
    std::ifstream file(ZEPHRANE_LAPTOP_FIXTURE);
    ASSERT_TRUE(file.good()) << "no fixture at " << ZEPHRANE_LAPTOP_FIXTURE;
    std::vector<SMCSensor> captured;
    for (const Json& sensor : Json::parse(file)) captured.push_back(SMCSensor::fromJson(sensor));
    EXPECT_EQ(identities(captured), identities(poll)) << "write the fixture anew (see the top of this file)";
}

}  // namespace
}  // namespace zephrane::dashboardtest
