#include "ZephraneApp/Shell/ShellCommands.hpp"

#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>

#include "ZephraneApp/Engine/SettingsStore.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "platform/updater/Updater.hpp"

namespace zephrane {

ShellCommands::~ShellCommands() = default;

ShellCommands::ShellCommands(ZephraneEngine& engine, updater::UpdaterViewModel& updater,
                             std::function<void(QString)> openWindow, std::function<void()> quit, QObject* parent)
    : QObject(parent),
      engine_(engine),
      updater_(updater),
      openWindow_(std::move(openWindow)),
      quit_(std::move(quit)),
      settings_(std::make_unique<QSettingsStore>()),
      section_(QString::fromStdString(settings_->stringValue("selectedSection").value_or("dashboard"))) {
    for (auto signal : {&ZephraneEngine::fansChanged, &ZephraneEngine::helperStateChanged,
                        &ZephraneEngine::activeProfileChanged})
        connect(&engine_, signal, this, &ShellCommands::engineChanged);
}

void ShellCommands::setSection(const QString& section) {
    if (section == section_) return;
    section_ = section;
    settings_->setValue("selectedSection", section);
    emit sectionChanged();
}

bool ShellCommands::hasFans() const { return !engine_.fans().empty(); }

bool ShellCommands::helperConnected() const {
    return engine_.helperState().kind() == HelperState::Kind::connected;
}

bool ShellCommands::canCheckForUpdates() const { return updater_.canCheckForUpdates(); }

QVariantList ShellCommands::commands() const {
    QVariantList list;
    for (const auto& entry : appCommands()) {
        list.append(QVariantMap{{"command", static_cast<int>(entry.command)},
                                {"title", QString::fromStdString(entry.title)},
                                {"shortcut", QString::fromStdString(portableShortcut(entry.macShortcut))},
                                {"menu", QString::fromStdString(entry.menu)}});
    }
    return list;
}

QVariantList ShellCommands::presets() const {
    QVariantList list;
    const auto& active = engine_.activeProfile();
    for (const auto& preset : fanPresetCommands()) {
        list.append(QVariantMap{
            {"title", QString::fromStdString(preset.title)},
            {"shortcut", QString::fromStdString(portableShortcut(std::string("\u2303\u2318") + preset.key))},
            {"checked", active.has_value() && active->id == preset.profile->id}});
    }
    return list;
}

void ShellCommands::trigger(int command) {
    const auto which = static_cast<AppCommand>(command);
    if (const auto section = sectionOf(which); !section.empty()) setSection(QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())));
    switch (which) {
        case AppCommand::newCustomMode: engine_.setPendingModeCreationRequest(true); break;
        case AppCommand::startDustCycle:
            if (!hasFans() || !helperConnected()) return;
            engine_.setPendingDustCycleRequest(true);
            break;
        case AppCommand::checkForUpdates: updater_.checkForUpdates(); return;
        case AppCommand::exportPowerHistory: return;  // the export flow belongs to the main window's views
        case AppCommand::quit: quit_(); return;
        default: break;
    }
    openWindow_("main");
}

void ShellCommands::choosePreset(int index) {
    const auto& presets = fanPresetCommands();
    if (index < 0 || index >= static_cast<int>(presets.size())) return;
    const auto& preset = presets[static_cast<std::size_t>(index)];
    const auto& active = engine_.activeProfile();
    if (active && active->id == preset.profile->id) return;  // choosing the one on changes nothing
    engine_.setActiveCustomModeID(std::nullopt);
    engine_.applyProfile(*preset.profile);
}

QMenu* ShellCommands::trayMenu() {
    auto* menu = new QMenu;
    auto addCommand = [this, menu](const AppCommandEntry& entry) {
        QAction* action = menu->addAction(QString::fromStdString(entry.title));
        action->setShortcut(QKeySequence(QString::fromStdString(portableShortcut(entry.macShortcut))));
        connect(action, &QAction::triggered, this, [this, command = entry.command] { trigger(static_cast<int>(command)); });
        return action;
    };
    for (const auto& entry : appCommands()) {
        if (entry.inTrayMenu && entry.command == AppCommand::openMainWindow) addCommand(entry);
    }
    QMenu* fans = menu->addMenu("Fans");
    auto refillFans = [this, fans] {
        fans->clear();
        if (!hasFans()) return;
        const QVariantList list = presets();
        for (int i = 0; i < list.size(); ++i) {
            const QVariantMap preset = list[i].toMap();
            QAction* action = fans->addAction(preset["title"].toString());
            action->setCheckable(true);
            action->setChecked(preset["checked"].toBool());
            action->setShortcut(QKeySequence(preset["shortcut"].toString()));
            connect(action, &QAction::triggered, this, [this, i] { choosePreset(i); });
        }
        fans->addSeparator();
        QAction* dust = fans->addAction("Start Dust Cycle\u2026");
        dust->setEnabled(helperConnected());
        connect(dust, &QAction::triggered, this, [this] { trigger(static_cast<int>(AppCommand::startDustCycle)); });
    };
    refillFans();
    connect(this, &ShellCommands::engineChanged, fans, refillFans);
    menu->addSeparator();
    for (const auto& entry : appCommands()) {
        if (entry.inTrayMenu && entry.command != AppCommand::openMainWindow &&
            entry.command != AppCommand::startDustCycle)
            addCommand(entry);
    }
    return menu;
}

}  // namespace zephrane
