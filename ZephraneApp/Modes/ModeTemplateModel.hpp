// The built-in templates the empty modes screen offers, in their order,
// each with its speed summary against the reference fan range and its
// spoken label and hint.
#pragma once

#include <string>

#include "ZephraneApp/Face/RowListModel.hpp"
#include "shared/CustomMode.hpp"
#include "shared/Uuid.hpp"

namespace zephrane::modes {

class ReferenceFanRangeWatch;

struct ModeTemplateTile {
    const CustomMode* mode = nullptr;  // one of CustomMode::templates()
    std::string speedSummary;
};

class ModeTemplateModel final : public face::RowListModel<ModeTemplateTile, Uuid> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role { NameRole = firstRole, SymbolNameRole, SpeedSummaryRole, AccessibleLabelRole, AccessibleHintRole };
    Q_ENUM(Role)

    ModeTemplateModel(const ReferenceFanRangeWatch& range, QObject* parent);
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void refresh();

    const ReferenceFanRangeWatch& range_;
};

}  // namespace zephrane::modes
