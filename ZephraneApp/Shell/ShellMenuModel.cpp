#include "ZephraneApp/Shell/ShellMenuModel.hpp"

namespace zephrane {

int ShellMenuModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant ShellMenuModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
    const Entry& entry = entries_[shown_[static_cast<std::size_t>(index.row())]];
    switch (role) {
        case CommandRole: return entry.command;
        case TitleRole: return entry.title;
        case ShortcutRole: return entry.shortcut;
        case EnabledRole: return entry.enabled;
        case CheckableRole: return entry.checkable;
        case CheckedRole: return entry.checked;
        default: return {};
    }
}

QHash<int, QByteArray> ShellMenuModel::roleNames() const {
    // Names no menu item has for a property of its own, so a delegate can
    // take each as a required property.
    return {{CommandRole, "command"},       {TitleRole, "label"},           {ShortcutRole, "keySequence"},
            {EnabledRole, "available"},     {CheckableRole, "isCheckable"}, {CheckedRole, "isChecked"}};
}

int ShellMenuModel::commandAt(int row) const {
    if (row < 0 || row >= rowCount()) return -1;
    return entries_[shown_[static_cast<std::size_t>(row)]].command;
}

void ShellMenuModel::setEntries(std::vector<Entry> entries) {
    const int countBefore = rowCount();
    // The table is fixed: an entry keeps its place and only comes, goes or
    // changes its state.
    if (entries.size() != entries_.size()) {
        beginResetModel();
        entries_ = std::move(entries);
        shown_.clear();
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].shown) shown_.push_back(i);
        endResetModel();
        if (rowCount() != countBefore) emit countChanged();
        return;
    }
    int row = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool wasShown = entries_[i].shown;
        const bool isShown = entries[i].shown;
        if (wasShown && !isShown) {
            beginRemoveRows({}, row, row);
            entries_[i] = std::move(entries[i]);
            shown_.erase(shown_.begin() + row);
            endRemoveRows();
            continue;
        }
        if (!wasShown && isShown) {
            beginInsertRows({}, row, row);
            entries_[i] = std::move(entries[i]);
            shown_.insert(shown_.begin() + row, i);
            endInsertRows();
            ++row;
            continue;
        }
        if (isShown && !(entries_[i] == entries[i])) {
            entries_[i] = std::move(entries[i]);
            emit dataChanged(index(row), index(row));
        } else {
            entries_[i] = std::move(entries[i]);
        }
        if (isShown) ++row;
    }
    if (rowCount() != countBefore) emit countChanged();
}

}  // namespace zephrane
