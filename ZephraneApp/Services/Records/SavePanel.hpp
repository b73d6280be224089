// The "save as" dialog, behind an interface: the export flow asks it for a
// destination, the real dialog comes with the UI and tests answer with a
// fake.
#pragma once

#include <optional>

#include <QString>
#include <QStringList>
#include <QCoroTask>

namespace zephrane {

struct SavePanelRequest {
    QString title;
    QString suggestedName;    // preset in the name field
    QStringList nameFilters;  // the file types the panel offers
    bool canCreateDirectories = true;
};

class SavePanel {
public:
    virtual ~SavePanel() = default;

    // Shows the panel without blocking the GUI thread and resumes there.
    // Gives the chosen path, or nothing when the user cancels or confirms
    // without a destination.
    virtual QCoro::Task<std::optional<QString>> chooseSavePath(SavePanelRequest request) = 0;
};

}  // namespace zephrane
