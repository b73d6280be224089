// The command table put to work on the engine: the main window's menus (in
// QML) and the tray menu read it, and every action lands here.
#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QVariantList>

#include "ZephraneApp/Shell/AppCommands.hpp"

class QMenu;

namespace zephrane {

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
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates CONSTANT)
    Q_PROPERTY(QVariantList commands READ commands CONSTANT)
    Q_PROPERTY(QVariantList presets READ presets NOTIFY engineChanged)
    Q_PROPERTY(QString readout READ readout NOTIFY readoutChanged)
public:
    ShellCommands(ZephraneEngine& engine, updater::UpdaterViewModel& updater, std::function<void(QString)> openWindow,
                  std::function<void()> quit, QObject* parent = nullptr);
    ~ShellCommands() override;

    QString section() const { return section_; }
    void setSection(const QString& section);
    bool hasFans() const;
    bool helperConnected() const;
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
    void sectionChanged();
    void engineChanged();
    void readoutChanged();

private:
    ZephraneEngine& engine_;
    updater::UpdaterViewModel& updater_;
    std::function<void(QString)> openWindow_;
    std::function<void()> quit_;
    // The engine's settings file: the section the main window shows.
    std::unique_ptr<SettingsStore> settings_;
    QString section_;
    QString readout_;
};

}  // namespace zephrane
