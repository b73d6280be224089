// Nothing in an SMC key says what it measures. The classifier decides, from
// the key's characters, its data type and one sample, which kind of quantity
// a key carries and the name it is shown under. Sensor discovery runs it once
// for every key the SMC reports.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shared/SMCDataType.hpp"
#include "shared/SensorClass.hpp"

namespace zephrane {

class SensorClassifier {
public:
    SensorClassifier() = delete;

    // A closed interval of degrees Celsius; NaN lies in no interval.
    struct TemperatureRange {
        double lowerBound;
        double upperBound;

        constexpr bool contains(double celsius) const { return celsius >= lowerBound && celsius <= upperBound; }
    };

    // A "T" key whose sample lies outside this range is not a temperature sensor.
    static constexpr TemperatureRange plausibleTemperatureRange{-40.0, 130.0};

    struct Classification {
        SensorClass sensorClass = SensorClass::other;
        std::string name;

        friend bool operator==(const Classification&, const Classification&) = default;
    };

    // `sample` is absent when reading or decoding the key failed. Only "T"
    // keys look at the sample; "P", "V" and "I" keys go by type alone and "F"
    // keys by their last character.
    static Classification classify(std::string_view key, SMCDataType type, std::optional<double> sample);

    // The family name plus the key's suffix without leading zeros ("Tp01" is
    // "P-Core 1"); a key of no known family keeps its own text.
    static std::string temperatureName(std::string_view key);
};

}  // namespace zephrane
