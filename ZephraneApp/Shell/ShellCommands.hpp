// The command table put to work on the engine: the main window's menus (in
// QML) and the tray menu read it, and every action lands here.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QVariantList>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/Services/Records/PowerExport.hpp"
#include "ZephraneApp/Shell/AppCommands.hpp"
#include "shared/FanModel.hpp"

class QMenu;

namespace zephrane {

class Actor;
class SettingsStore;
class ZephraneEngine;
namespace updater {
class UpdaterViewModel;
}

class ShellCommands final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString section READ section WRITE setSection NOTIFY sectionChanged)
    Q_PROPERTY(bool hasFans READ hasFans NOTIFY engineChanged)
    Q_PROPERTY(bool helperConnected READ helperConnected NOTIFY engineChanged)
    Q_PROPERTY(bool hasHistory READ hasHistory NOTIFY engineChanged)
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates CONSTANT)
    Q_PROPERTY(QVariantList commands READ commands CONSTANT)
    Q_PROPERTY(QVariantList presets READ presets NOTIFY engineChanged)
    Q_PROPERTY(QString readout READ readout NOTIFY readoutChanged)
public:
    // Without a save panel the export asks through a file dialog.
    ShellCommands(ZephraneEngine& engine, updater::UpdaterViewModel& updater, std::function<void(QString)> openWindow,
                  std::function<void()> quit, QObject* parent = nullptr,
                  std::unique_ptr<SavePanel> savePanel = nullptr);
    ~ShellCommands() override;

    QString section() const { return section_; }
    void setSection(const QString& section);
    bool hasFans() const;
    bool helperConnected() const;
    // The power history has a sample to export.
    bool hasHistory() const;
    // An export is between its start and the copy's end.
    bool isExporting() const { return exporting_; }
    bool canCheckForUpdates() const;
    QVariantList commands() const;
    QVariantList presets() const;
    QString readout() const { return readout_; }
    void setReadout(const QString& readout) {
        if (readout == readout_) return;
        readout_ = readout;
        emit readoutChanged();
    }

    Q_INVOKABLE void trigger(int command);
    Q_INVOKABLE void choosePreset(int index);

    // The tray's context menu: the commands a user needs without a window.
    QMenu* trayMenu();

signals:
    // Only when what the menus show changes: the fans come and go with
    // every tick, and a menu refilled under the pointer loses its entries.
    void sectionChanged();
    void engineChanged();
    void readoutChanged();
    // The export flow ended: saved, cancelled or failed.
    void exportFinished(const zephrane::PowerExportOutcome& outcome);

private:
    struct MenuState {
        bool hasFans = false;
        bool helperConnected = false;
        bool hasHistory = false;
        std::optional<Uuid> activePreset;
        bool operator==(const MenuState&) const = default;
    };
    MenuState menuState() const;
    void engineMayHaveChanged();
    QCoro::Task<void> exportHistory();

    ZephraneEngine& engine_;
    updater::UpdaterViewModel& updater_;
    std::function<void(QString)> openWindow_;
    std::function<void()> quit_;
    // The engine's settings file: the section the main window shows.
    std::unique_ptr<SettingsStore> settings_;
    QString section_;
    QString readout_;
    MenuState shown_;
    std::unique_ptr<SavePanel> savePanel_;
    std::unique_ptr<HistoryCSVSource> history_;
    // The copy runs off the GUI thread, behind everything else.
    std::unique_ptr<Actor> exportWorker_;
    bool exporting_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zephrane
