#include "ZephraneApp/Face/RowListModel.hpp"

namespace zephrane::face {

FaceListModel::FaceListModel(std::initializer_list<const char*> names, QObject* parent) : QAbstractListModel(parent) {
    int role = firstRole;
    for (const char* name : names) roleNames_.insert(role++, QByteArray(name));
}

int FaceListModel::role(const QByteArray& name) const { return roleNames_.key(name, -1); }

void FaceListModel::notifyChanged(int first, int last, RoleMask roles) {
    auto list = roleLists_.find(roles);
    if (list == roleLists_.end()) {
        QList<int> made;
        for (int bit = 0; bit < 32; ++bit) {
            if ((roles & (RoleMask{1} << bit)) != 0) made.append(firstRole + bit);
        }
        list = roleLists_.emplace(roles, std::move(made)).first;
    }
    emit dataChanged(index(first), index(last), list->second);
}

}  // namespace zephrane::face
