// The rows of the modes screen: each custom mode in its stored order with
// everything its row shows and says, worked out here so the row only draws.
// A row's texts follow the mode, whether it is active, the reference fan
// range, the shown sensor's reading and the user's units; a poll that
// changes none of a row's texts sends nothing for it.
#pragma once

#include <string>
#include <vector>

#include "ZephraneApp/Face/RowListModel.hpp"
#include "shared/CustomMode.hpp"
#include "shared/DeviceSensorMap.hpp"
#include "shared/Uuid.hpp"

namespace zephrane::face {
class EngineFace;
}

namespace zephrane::modes {

class ReferenceFanRangeWatch;

struct ModeRowView {
    CustomMode mode;
    bool active = false;
    std::string speedSummary;
    std::string sensorLabel;
    std::string temperatureText;
    bool temperatureHot = false;
    double temperatureCelsius = 0;  // °C, for the heat colour; 0 unless hot
    std::string accessibleValue;
};

class ModeRowsModel final : public face::RowListModel<ModeRowView, Uuid> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role {
        ModeIdRole = firstRole,
        NameRole,
        SymbolNameRole,
        IsActiveRole,
        SpeedSummaryRole,
        SensorLabelRole,
        TemperatureTextRole,
        TemperatureHotRole,
        TemperatureCelsiusRole,
        AccessibleValueRole,
        // The value, then the hint: what the row's button says after its name.
        AccessibleDescriptionRole,
        EditLabelRole,
        DeleteLabelRole,
    };
    Q_ENUM(Role)

    ModeRowsModel(face::EngineFace& face, const ReferenceFanRangeWatch& range, QObject* parent);
    QVariant data(const QModelIndex& index, int role) const override;

    // The row of mode `id`; none when no listed mode has it.
    const ModeRowView* row(const Uuid& id) const;

private:
    void refresh();
    ModeRowView viewOf(const CustomMode& mode, bool active, const std::vector<DeviceSensorReading>& readings) const;

    face::EngineFace& face_;
    const ReferenceFanRangeWatch& range_;
};

}  // namespace zephrane::modes
