// One menu's entries as a list model: the entries of the command table that
// the menu shows now, each with its title, shortcut and whether it can be
// chosen, all decided in C++. Entries come and go (insert and remove) as
// what they depend on changes, so an open menu keeps the rest.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QAbstractListModel>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace zephrane {

class ShellMenuModel : public QAbstractListModel {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role { CommandRole = Qt::UserRole + 1, TitleRole, ShortcutRole, EnabledRole, CheckableRole, CheckedRole };
    Q_ENUM(Role)

    struct Entry {
        int command;           // what choosing it asks for (the owner's numbering)
        QString title;
        QString shortcut;      // Qt's spelling, "" for none
        bool shown = true;     // whether the menu holds it now
        bool enabled = true;
        bool checkable = false;
        bool checked = false;
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    explicit ShellMenuModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    int count() const { return rowCount(); }

    // The menu's entries in order, shown or not; only those shown are rows.
    void setEntries(std::vector<Entry> entries);
    const std::vector<Entry>& entries() const { return entries_; }
    // The command of row `row`.
    int commandAt(int row) const;

signals:
    void countChanged();

private:
    std::vector<Entry> entries_;
    std::vector<std::size_t> shown_;  // rows: indexes into entries_
};

}  // namespace zephrane
