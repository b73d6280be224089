#include "sim/ScenarioLoad.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace zephrane::sim {

ScenarioLoad::ScenarioLoad(std::vector<Step> steps, std::optional<SimDuration> loop)
    : steps_(std::move(steps)), loop_(loop) {
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        if (!(steps_[i].load >= 0 && steps_[i].load <= 1))
            throw ScenarioError("step " + std::to_string(i) + ": load must lie in 0 to 1");
        if (steps_[i].at < SimDuration::zero() || (i > 0 && steps_[i].at < steps_[i - 1].at))
            throw ScenarioError("step " + std::to_string(i) + ": times must ascend from 0");
    }
    if (loop_ && *loop_ <= SimDuration::zero()) throw ScenarioError("loopSeconds must be greater than 0");
}

ScenarioLoad ScenarioLoad::fromJson(const Json& value) {
    try {
        const json::ObjectReader reader(value, "", "scenario");
        const Json& steps = json::requireArray(reader.require("steps"), "steps", "steps");
        std::vector<Step> parsed;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const json::ObjectReader step(steps[i], json::indexPath("steps", i), "step");
            parsed.push_back({fromSeconds(step.number("atSeconds")), step.number("load")});
        }
        std::optional<SimDuration> loop;
        if (auto seconds = reader.optionalNumber("loopSeconds")) loop = fromSeconds(*seconds);
        return ScenarioLoad(std::move(parsed), loop);
    } catch (const DecodingError& e) {
        throw ScenarioError(e.what());
    }
}

ScenarioLoad ScenarioLoad::load(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) throw ScenarioError("cannot open load scenario \"" + path.string() + "\"");
    std::stringstream text;
    text << in.rdbuf();
    try {
        return fromJson(json::parse(text.str()));
    } catch (const std::exception& e) {
        throw ScenarioError("load scenario \"" + path.string() + "\": " + e.what());
    }
}

double ScenarioLoad::at(SimDuration elapsed) const {
    if (loop_) elapsed %= *loop_;
    // The last step that has begun.
    const auto next = std::upper_bound(steps_.begin(), steps_.end(), elapsed,
                                       [](SimDuration t, const Step& step) { return t < step.at; });
    return next == steps_.begin() ? 0.0 : std::prev(next)->load;
}

LoadSource ScenarioLoad::source() const {
    return [scenario = *this](SimDuration elapsed) { return scenario.at(elapsed); };
}

}  // namespace zephrane::sim
