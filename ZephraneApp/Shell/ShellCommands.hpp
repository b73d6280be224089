// The command table put to work on the views' face: the main window's menus
// (in QML, as list models) and the tray menu read it, and every action
// lands here. QML reaches it as the singleton `Shell` of Zephrane.Shell,
// provided per QML engine like the face.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/Services/Records/PowerExport.hpp"
#include "ZephraneApp/Shell/AppCommands.hpp"
#include "ZephraneApp/Shell/ShellMenuModel.hpp"
#include "shared/Uuid.hpp"

class QMenu;
class QQmlEngine;
class QJSEngine;

namespace zephrane {

class Actor;
namespace face {
class EngineFace;
}
namespace updater {
class UpdaterViewModel;
}

class ShellCommands final : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Shell)
    QML_SINGLETON
    Q_PROPERTY(QString section READ section NOTIFY sectionChanged)
    Q_PROPERTY(QString readout READ readout NOTIFY readoutChanged)
    Q_PROPERTY(zephrane::ShellMenuModel* appMenu READ appMenu CONSTANT)
    Q_PROPERTY(zephrane::ShellMenuModel* fileMenu READ fileMenu CONSTANT)
    Q_PROPERTY(zephrane::ShellMenuModel* viewMenu READ viewMenu CONSTANT)
    // The "Fans" menu: a toggle per preset, then the dust cycle, all only
    // while the machine reports a fan.
    Q_PROPERTY(zephrane::ShellMenuModel* fanPresets READ fanPresets CONSTANT)
    Q_PROPERTY(bool showsDustCycle READ showsDustCycle NOTIFY menusChanged)
    Q_PROPERTY(bool dustCycleEnabled READ dustCycleEnabled NOTIFY menusChanged)
    // The update checks, for the settings screen's Updates section.
    Q_PROPERTY(QObject* updater READ updaterObject CONSTANT)

public:
    // The app's commands, case for case as AppCommand names them.
    enum Command {
        NewCustomMode,
        CheckForUpdates,
        ExportPowerHistory,
        Dashboard,
        Sensors,
        Modes,
        Settings,
        StartDustCycle,
        OpenMainWindow,
        Quit,
    };
    Q_ENUM(Command)

    // Without a save panel the export asks through a file dialog.
    ShellCommands(face::EngineFace& face, updater::UpdaterViewModel& updater,
                  std::function<void(QString)> openWindow, std::function<void()> quit, QObject* parent = nullptr,
                  std::unique_ptr<SavePanel> savePanel = nullptr);
    ~ShellCommands() override;

    static void provide(QQmlEngine& qml, ShellCommands* commands);
    static ShellCommands* create(QQmlEngine* qml, QJSEngine* js);

    QString section() const;
    QString readout() const { return readout_; }
    void setReadout(const QString& readout);
    ShellMenuModel* appMenu() { return &appMenu_; }
    ShellMenuModel* fileMenu() { return &fileMenu_; }
    ShellMenuModel* viewMenu() { return &viewMenu_; }
    ShellMenuModel* fanPresets() { return &fanPresets_; }
    bool showsDustCycle() const { return state_.hasFans; }
    bool dustCycleEnabled() const { return state_.hasFans && state_.helperConnected; }
    QObject* updaterObject() const;
    // An export is between its start and the copy's end.
    bool isExporting() const { return exporting_; }

    Q_INVOKABLE void trigger(zephrane::ShellCommands::Command command);
    // The preset toggle of row `row` of fanPresets chosen (a toggle already
    // on stays on and changes nothing).
    Q_INVOKABLE void choosePreset(int row);

    // The tray's context menu: the commands a user needs without a window.
    QMenu* trayMenu();

signals:
    void sectionChanged();
    void readoutChanged();
    // Only when what the menus show changes: the fans' speeds come with
    // every tick, and a menu refilled under the pointer loses its entries.
    void menusChanged();
    // The export flow ended: saved, cancelled or failed.
    void exportFinished(const zephrane::PowerExportOutcome& outcome);

private:
    struct MenuState {
        bool hasFans = false;
        bool helperConnected = false;
        bool hasHistory = false;
        std::optional<Uuid> activeProfile;
        bool operator==(const MenuState&) const = default;
    };
    MenuState readMenuState() const;
    void faceMayHaveChanged();
    void refillMenus();
    QCoro::Task<void> exportHistory();

    face::EngineFace& face_;
    updater::UpdaterViewModel& updater_;
    std::function<void(QString)> openWindow_;
    std::function<void()> quit_;
    QString readout_;
    MenuState state_;
    ShellMenuModel appMenu_;
    ShellMenuModel fileMenu_;
    ShellMenuModel viewMenu_;
    ShellMenuModel fanPresets_;
    std::unique_ptr<SavePanel> savePanel_;
    std::unique_ptr<HistoryCSVSource> history_;
    // The copy runs off the GUI thread, behind everything else.
    std::unique_ptr<Actor> exportWorker_;
    bool exporting_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zephrane
