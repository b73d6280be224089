#include "ZephraneApp/Shell/MenuBarLabelSource.hpp"

#include "ZephraneApp/Face/ShellFace.hpp"

namespace zephrane {

FaceLabelSource::FaceLabelSource(face::ShellFace& shell, QObject* parent) : MenuBarLabelSource(parent), shell_(shell) {
    connect(&shell_, &face::ShellFace::menuBarLabelChanged, this, &MenuBarLabelSource::labelStateChanged);
}

StatusLabelState FaceLabelSource::labelState() const {
    const MenuBarLabelState& published = shell_.menuBarLabel();
    return {.readout = published.readout,
            .temperatureText = published.temperatureText,
            .fanText = published.fanText,
            .hottestSensorText = published.hottestSensorText,
            .spinTier = published.spinTier,
            .animated = published.animated};
}

}  // namespace zephrane
