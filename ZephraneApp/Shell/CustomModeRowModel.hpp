// The panel's custom-mode rows: the first four of the user's modes in their
// stored order, each with its speed, its spoken hint and whether it is the
// active one, and what a row's controls ask: a tap engages the mode (or
// hands the fans back to the system when it is already active), the pencil
// and "Edit…" and "Delete…" leave a request for the Modes screen and open
// it, "Duplicate" asks the engine for a copy. With five modes or more the
// "All Modes…" link follows the rows.
#pragma once

#include <functional>
#include <optional>

#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/FaceCommand.hpp"
#include "ZephraneApp/Face/RowListModel.hpp"
#include "ZephraneApp/Model/ModeSpeedText.hpp"
#include "ZephraneApp/Model/Section.hpp"
#include "shared/CustomMode.hpp"
#include "shared/Uuid.hpp"

namespace zephrane {

struct PanelModeRow {
    Uuid id;
    QString name;
    QString valueText;  // "3 600 RPM", or "70%" without fans
    QString hint;       // "Min 2 400 RPM, 64.0°C"
    bool active = false;
    bool inert = false;  // no fans: the mode cannot be engaged
};

class CustomModeRowModel : public face::RowListModel<PanelModeRow, Uuid> {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of ZephraneMenuBarView")
    Q_PROPERTY(bool showsAllModesLink READ showsAllModesLink NOTIFY showsAllModesLinkChanged)

public:
    enum Role { ModeIdRole = firstRole, NameRole, ValueTextRole, HintRole, ActiveRole, InertRole, EditLabelRole };
    Q_ENUM(Role)

    static constexpr int kListedModes = 4;

    // What a row's controls need of the panel around it.
    struct Actions {
        std::function<void()> returnToSystemControl;
        std::function<void(Section)> openSection;
    };

    explicit CustomModeRowModel(QObject* parent = nullptr);

    void setActions(Actions actions) { actions_ = std::move(actions); }
    void setFace(face::EngineFace* face);
    QVariant data(const QModelIndex& index, int role) const override;
    bool showsAllModesLink() const { return showsAllModesLink_; }

    // The select button of row `row`.
    Q_INVOKABLE void activate(int row);
    // The pencil and "Edit…".
    Q_INVOKABLE void edit(int row);
    Q_INVOKABLE void duplicate(int row);
    // "Delete…": the Modes screen asks and deletes.
    Q_INVOKABLE void requestDelete(int row);

signals:
    void showsAllModesLinkChanged();

private:
    void refresh();
    const PanelModeRow* at(int row) const;
    // Leaves `request` about row `row`'s mode for the Modes screen and opens it.
    void leaveForModesScreen(int row, face::command::Request request);
    QString temperatureText(const CustomMode& mode) const;

    QPointer<face::EngineFace> face_;
    Actions actions_;
    bool showsAllModesLink_ = false;
};

}  // namespace zephrane
