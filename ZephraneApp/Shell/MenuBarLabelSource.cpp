#include "ZephraneApp/Shell/MenuBarLabelSource.hpp"

#include "ZephraneApp/Engine/ZephraneEngine.hpp"

namespace zephrane {

EngineLabelSource::EngineLabelSource(ZephraneEngine& engine, QObject* parent) : MenuBarLabelSource(parent), engine_(engine) {
    connect(&engine_.menuBarLabelModel(), &MenuBarLabelModel::stateChanged, this,
            &MenuBarLabelSource::labelStateChanged);
}

StatusLabelState EngineLabelSource::labelState() const {
    const MenuBarLabelState& published = engine_.menuBarLabelModel().state();
    return {.readout = published.readout,
            .temperatureText = published.temperatureText,
            .fanText = published.fanText,
            .hottestSensorText = published.hottestSensorText,
            .spinTier = published.spinTier,
            .animated = published.animated};
}

}  // namespace zephrane
