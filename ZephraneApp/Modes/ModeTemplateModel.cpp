#include "ZephraneApp/Modes/ModeTemplateModel.hpp"

#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/Model/ModeSpeedText.hpp"
#include "ZephraneApp/Modes/ModesText.hpp"
#include "ZephraneApp/Modes/ModesWatch.hpp"

namespace zephrane::modes {

using face::qtText;

ModeTemplateModel::ModeTemplateModel(const ReferenceFanRangeWatch& range, QObject* parent)
    : RowListModel({"name", "symbolName", "speedSummary", "accessibleLabel", "accessibleHint"}, parent),
      range_(range) {
    connect(&range, &ReferenceFanRangeWatch::changed, this, [this] { refresh(); });
    refresh();
}

QVariant ModeTemplateModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const ModeTemplateTile& tile = rowAt(index);
    switch (role) {
        case NameRole: return qtText(tile.mode->name());
        case SymbolNameRole: return qtText(tile.mode->symbolName());
        case SpeedSummaryRole: return qtText(tile.speedSummary);
        case AccessibleLabelRole: return qtText(templateAccessibilityLabel(tile.mode->name()));
        case AccessibleHintRole: return qtText(templateAccessibilityHint(tile.mode->name(), tile.speedSummary));
        default: return {};
    }
}

void ModeTemplateModel::refresh() {
    constexpr face::RoleMask summaryRoles = face::roleBit(SpeedSummaryRole) | face::roleBit(AccessibleHintRole);
    apply(
        CustomMode::templates(), [](const CustomMode& m) -> const Uuid& { return m.id(); },
        [](const ModeTemplateTile& tile) -> const Uuid& { return tile.mode->id(); },
        [this](ModeTemplateTile& tile, const CustomMode& m) -> face::RoleMask {
            std::string summary = modeSpeedSummary(m.speed(), range_.range());
            if (summary == tile.speedSummary) return 0;
            tile.speedSummary = std::move(summary);
            return summaryRoles;
        },
        [this](const CustomMode& m) { return ModeTemplateTile{&m, modeSpeedSummary(m.speed(), range_.range())}; });
}

}  // namespace zephrane::modes
