#include "ZephraneApp/Shell/MenuBarLabelSource.hpp"

#include <algorithm>
#include <cmath>

#include "ZephraneApp/Engine/ZephraneEngine.hpp"

namespace zephrane {

EngineLabelSource::EngineLabelSource(ZephraneEngine& engine, QObject* parent) : MenuBarLabelSource(parent), engine_(engine) {
    for (auto signal : {&ZephraneEngine::displayedTemperatureChanged, &ZephraneEngine::fansChanged,
                        &ZephraneEngine::menuBarReadoutChanged, &ZephraneEngine::menuBarIconAnimatedChanged})
        connect(&engine_, signal, this, &MenuBarLabelSource::labelStateChanged);
}

StatusLabelState EngineLabelSource::labelState() const {
    StatusLabelState state;
    state.readout = engine_.menuBarReadout();
    state.animated = engine_.menuBarIconAnimated();
    const double celsius = engine_.displayedTemperature();
    if (std::isfinite(celsius) && celsius > 0) {
        const double shown = engine_.useFahrenheit() ? celsius * 9 / 5 + 32 : celsius;
        state.temperatureText = std::to_string(static_cast<long>(std::lround(shown))) + "\u00b0";
    } else {
        state.temperatureText = "--";
    }
    state.hottestSensorText = state.temperatureText;
    double hottest = -1;
    for (const auto& [index, fan] : engine_.fans()) {
        if (fan.currentRPMValid) hottest = std::max(hottest, fan.currentRPM);
    }
    state.fanText = hottest >= 0 ? std::to_string(static_cast<long long>(std::llround(hottest))) : "--";
    return state;
}

}  // namespace zephrane
