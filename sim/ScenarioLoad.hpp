// A scripted load: steps of (time, load) that hold until the next step, read
// from a small JSON file so a demo or a test replays the same heat every run:
//   {"steps": [{"atSeconds": 0, "load": 0.1}, {"atSeconds": 30, "load": 1}],
//    "loopSeconds": 60}
// Times are the machine's elapsed time; before the first step the load is 0;
// with "loopSeconds" the script starts over after that long.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <vector>

#include "shared/JsonCoding.hpp"
#include "sim/LoadSource.hpp"

namespace zephrane::sim {

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ScenarioLoad {
public:
    struct Step {
        SimDuration at;
        double load;  // 0 to 1
        friend bool operator==(const Step&, const Step&) = default;
    };

    // Steps must be in ascending time; throws ScenarioError otherwise.
    ScenarioLoad(std::vector<Step> steps, std::optional<SimDuration> loop);

    static ScenarioLoad fromJson(const Json& json);
    static ScenarioLoad load(const std::filesystem::path& path);

    double at(SimDuration elapsed) const;
    LoadSource source() const;

    const std::vector<Step>& steps() const { return steps_; }

private:
    std::vector<Step> steps_;
    std::optional<SimDuration> loop_;
};

}  // namespace zephrane::sim
