#include "ZephraneApp/Shell/ShellCommands.hpp"

#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "ZephraneApp/Engine/SettingsStore.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "ZephraneApp/Shell/DialogSavePanel.hpp"
#include "platform/oslog/OSLog.hpp"
#include "platform/updater/Updater.hpp"

namespace zephrane {

namespace {

class EngineHistory final : public HistoryCSVSource {
public:
    explicit EngineHistory(ZephraneEngine& engine) : engine_(engine) {}
    QCoro::Task<std::optional<QString>> exportHistoryCSV() override { return engine_.exportHistoryCSV(); }

private:
    ZephraneEngine& engine_;
};

}  // namespace

ShellCommands::~ShellCommands() { *alive_ = false; }

ShellCommands::ShellCommands(ZephraneEngine& engine, updater::UpdaterViewModel& updater,
                             std::function<void(QString)> openWindow, std::function<void()> quit, QObject* parent,
                             std::unique_ptr<SavePanel> savePanel)
    : QObject(parent),
      engine_(engine),
      updater_(updater),
      openWindow_(std::move(openWindow)),
      quit_(std::move(quit)),
      settings_(std::make_unique<QSettingsStore>()),
      section_(QString::fromStdString(settings_->stringValue("selectedSection").value_or("dashboard"))),
      savePanel_(savePanel ? std::move(savePanel) : std::make_unique<DialogSavePanel>()),
      history_(std::make_unique<EngineHistory>(engine)) {
    // The history gains its first sample on a tick, which also publishes
    // the fans or the power reading.
    for (auto signal : {&ZephraneEngine::fansChanged, &ZephraneEngine::helperStateChanged,
                        &ZephraneEngine::activeProfileChanged, &ZephraneEngine::powerTelemetryChanged})
        connect(&engine_, signal, this, &ShellCommands::engineMayHaveChanged);
    shown_ = menuState();
}

ShellCommands::MenuState ShellCommands::menuState() const {
    std::optional<Uuid> activePreset;
    if (const auto& active = engine_.activeProfile()) activePreset = active->id;
    return {.hasFans = hasFans(),
            .helperConnected = helperConnected(),
            .hasHistory = hasHistory(),
            .activePreset = activePreset};
}

void ShellCommands::engineMayHaveChanged() {
    MenuState state = menuState();
    if (state == shown_) return;
    shown_ = std::move(state);
    emit engineChanged();
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

bool ShellCommands::hasHistory() const { return !engine_.telemetry().timestamps().empty(); }

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
        case AppCommand::exportPowerHistory:
            // One save panel at a time.
            if (!exporting_) exportHistory();
            return;
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

QCoro::Task<void> ShellCommands::exportHistory() {
    exporting_ = true;
    if (!exportWorker_) exportWorker_ = std::make_unique<Actor>(QStringLiteral("PowerExport"), Actor::Priority::background);
    const std::shared_ptr<bool> alive = alive_;
    const PowerExportOutcome outcome = co_await exportPowerHistory(*history_, *savePanel_, *exportWorker_);
    if (!*alive) co_return;
    exporting_ = false;
    if (outcome.kind == PowerExportOutcome::Kind::failed)
        oslog::logger("com.zephrane.app", "export")
            .error("Power history export to " + outcome.path.toStdString() + " failed: " + outcome.error.toStdString());
    emit exportFinished(outcome);
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
