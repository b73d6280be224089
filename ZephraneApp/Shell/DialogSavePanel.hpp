// The save panel as a Qt file dialog, shown without blocking the event
// loop: the control loop keeps ticking while the user picks a place.
#pragma once

#include "ZephraneApp/Services/Records/SavePanel.hpp"

namespace zephrane {

class DialogSavePanel final : public SavePanel {
public:
    QCoro::Task<std::optional<QString>> chooseSavePath(SavePanelRequest request) override;
};

}  // namespace zephrane
