#include "ZephraneApp/Face/SystemLoadModel.hpp"

#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {

SystemLoadModel::SystemLoadModel(QObject* parent) : RowListModel({"component", "fraction", "detail"}, parent) {}

QVariant SystemLoadModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const SystemLoad& row = rowAt(index);
    switch (role) {
        case ComponentRole: return qtText(SystemLoad::rawValue(row.component));
        case FractionRole: return row.fraction;
        case DetailRole: return row.detail ? qtText(*row.detail) : QString();
        default: return {};
    }
}

void SystemLoadModel::update(std::span<const SystemLoad> loads) {
    apply(
        loads, [](const SystemLoad& l) { return l.component; }, [](const SystemLoad& row) { return row.component; },
        [](SystemLoad& row, const SystemLoad& l) {
            RoleMask changed = 0;
            refreshField(row.fraction, l.fraction, FractionRole, changed);
            refreshField(row.detail, l.detail, DetailRole, changed);
            return changed;
        },
        [](const SystemLoad& l) { return l; });
}

}  // namespace zephrane::face
