// The user's custom modes in their stored order, each marked when it is the
// active one.
#pragma once

#include <optional>
#include <span>

#include "ZephraneApp/Face/RowListModel.hpp"
#include "shared/CustomMode.hpp"
#include "shared/Uuid.hpp"

namespace zephrane::face {

struct CustomModeRow {
    CustomMode mode;
    bool active = false;
};

class CustomModeModel : public RowListModel<CustomModeRow, Uuid> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role {
        ModeIdRole = firstRole,
        NameRole,
        SymbolNameRole,
        SpeedKindRole,        // "floor" or "fixed"
        SpeedPercentageRole,  // 0...1
        ControlSensorRole,    // a source's raw value, or a device sensor's id
        DisplaySensorRole,    // the same, empty for none
        DrivesMainReadoutRole,
        ActiveRole,
    };
    Q_ENUM(Role)

    explicit CustomModeModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

    void update(std::span<const CustomMode> modes, const std::optional<Uuid>& activeID);
    const CustomMode* mode(const Uuid& id) const;
};

}  // namespace zephrane::face
