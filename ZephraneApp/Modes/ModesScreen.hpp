// The modes screen's presenter: the rows and the templates, the count over
// the list, whether modes can be engaged, the editor sheet's target and the
// mode waiting for its delete confirmation, and every action of the screen
// as the face's commands.
//
// The one-shot requests other parts of the app leave on the engine (a new
// mode, a mode's editor, a mode's deletion) are taken up, each through the
// face's consume operation, when the screen comes into view (all three, in
// that order) and, while it is shown, whenever one of them changes.
//
// In QML the screen finds the face its QML engine was given, as `Face` does.
#pragma once

#include <optional>

#include <QObject>
#include <QString>
#include <QtQml/qqmlparserstatus.h>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Modes/ModeEditorModel.hpp"
#include "ZephraneApp/Modes/ModeEditorRules.hpp"
#include "ZephraneApp/Modes/ModeRowsModel.hpp"
#include "ZephraneApp/Modes/ModeTemplateModel.hpp"
#include "ZephraneApp/Modes/ModesWatch.hpp"
#include "shared/CustomMode.hpp"

namespace zephrane::face {
class EngineFace;
}

namespace zephrane::modes {

class ModesScreen : public QObject, public QQmlParserStatus {
    Q_OBJECT
    QML_ELEMENT
    Q_INTERFACES(QQmlParserStatus)
    Q_PROPERTY(zephrane::modes::ModeRowsModel* rows READ rows CONSTANT)
    Q_PROPERTY(zephrane::modes::ModeTemplateModel* templates READ templates CONSTANT)
    Q_PROPERTY(zephrane::modes::ModeEditorModel* editor READ editor CONSTANT)
    Q_PROPERTY(bool hasModes READ hasModes NOTIFY hasModesChanged)
    Q_PROPERTY(QString countText READ countText NOTIFY countTextChanged)
    Q_PROPERTY(bool canEngage READ canEngage NOTIFY canEngageChanged)
    // Why no mode can be engaged; empty when they can.
    Q_PROPERTY(QString modeDisabledReason READ modeDisabledReason NOTIFY canEngageChanged)
    // True while the screen is in view; coming into view takes the requests.
    Q_PROPERTY(bool shown READ shown WRITE setShown NOTIFY shownChanged)
    Q_PROPERTY(bool editorOpen READ editorOpen NOTIFY editorTargetChanged)
    // "new", or the edited mode's id; empty while no sheet is open.
    Q_PROPERTY(QString editorTargetIdentity READ editorTargetIdentity NOTIFY editorTargetChanged)
    Q_PROPERTY(bool confirmingDelete READ confirmingDelete NOTIFY pendingDeleteChanged)
    Q_PROPERTY(QString deleteMessage READ deleteMessage NOTIFY pendingDeleteChanged)

public:
    // For QML: the face is the one provided to the QML engine, found when
    // the object is made.
    explicit ModesScreen(QObject* parent = nullptr);
    explicit ModesScreen(face::EngineFace& face, QObject* parent = nullptr);
    ~ModesScreen() override;

    void classBegin() override;
    void componentComplete() override;

    ModeRowsModel* rows() const { return rows_; }
    ModeTemplateModel* templates() const { return templates_; }
    ModeEditorModel* editor() const { return editor_; }
    bool hasModes() const;
    QString countText() const;
    bool canEngage() const;
    QString modeDisabledReason() const;
    bool shown() const { return shown_; }
    void setShown(bool shown);
    const std::optional<ModeEditorTarget>& editorTarget() const { return editorTarget_; }
    bool editorOpen() const { return editorTarget_.has_value(); }
    QString editorTargetIdentity() const;
    const std::optional<CustomMode>& pendingDelete() const { return pendingDelete_; }
    bool confirmingDelete() const { return pendingDelete_.has_value(); }
    QString deleteMessage() const;

    // Takes the three requests, in order: creation, editor, deletion.
    Q_INVOKABLE void appear();

    // The toolbar's and the empty state's "New Custom Mode…".
    Q_INVOKABLE void newMode();
    // A row's edit action: the editor for the mode as it stands.
    Q_INVOKABLE void editMode(const QString& modeId);
    Q_INVOKABLE void duplicateMode(const QString& modeId);
    // A row's delete action: asks first.
    Q_INVOKABLE void askToDelete(const QString& modeId);
    // The confirmation's "Delete": deletes the pending mode, if any, and
    // closes the confirmation.
    Q_INVOKABLE void confirmDelete();
    Q_INVOKABLE void cancelDelete();
    // A row's tap: engages the mode, or, when its row is active, turns it
    // off and hands the fans back to the system's automatic control.
    Q_INVOKABLE void engageOrDisengageMode(const QString& modeId, bool isActive);
    // A template tile: adds a copy of template `index` under a new id.
    Q_INVOKABLE void addFromTemplate(int index);
    // The editor's Save: adds a new mode or updates the edited one, then
    // closes the sheet; nothing while the name is blank.
    Q_INVOKABLE void saveEditedMode();
    // The sheet closed without saving.
    Q_INVOKABLE void closeEditor();

signals:
    void hasModesChanged();
    void countTextChanged();
    void canEngageChanged();
    void shownChanged();
    void editorTargetChanged();
    void pendingDeleteChanged();

private:
    void attach(face::EngineFace& face);
    bool takesRequests() const { return shown_ && complete_; }
    void takeCreationRequest();
    void takeEditorRequest();
    void takeDeleteRequest();
    void setEditorTarget(ModeEditorTarget target);
    void setPendingDelete(std::optional<CustomMode> mode);
    std::optional<CustomMode> listedMode(const QString& modeId) const;

    face::EngineFace* face_ = nullptr;
    ReferenceFanRangeWatch* range_ = nullptr;
    ModeRowsModel* rows_ = nullptr;
    ModeTemplateModel* templates_ = nullptr;
    ModeEditorModel* editor_ = nullptr;
    bool shown_ = false;
    // False from QML's classBegin() until its componentComplete().
    bool complete_ = true;
    bool hadModes_ = false;
    QString countText_;
    std::optional<ModeEditorTarget> editorTarget_;
    std::optional<CustomMode> pendingDelete_;
};

// The log lines of a row's edit and delete chips, as QML's singleton
// `ModeRowLog`: under "com.zephrane.app" / "lifecycle", at the default level.
class ModeRowLog : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit ModeRowLog(QObject* parent = nullptr) : QObject(parent) {}

    Q_INVOKABLE void editTapped() const;
    Q_INVOKABLE void deleteTapped() const;
};

}  // namespace zephrane::modes
