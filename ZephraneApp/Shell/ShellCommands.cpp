#include "ZephraneApp/Shell/ShellCommands.hpp"

#include <QKeySequence>
#include <QMenu>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/QmlProvided.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Shell/DialogSavePanel.hpp"
#include "platform/oslog/OSLog.hpp"
#include "platform/updater/Updater.hpp"

namespace zephrane {

static_assert(static_cast<int>(ShellCommands::Quit) == static_cast<int>(AppCommand::quit),
              "the QML commands follow the table's");

namespace {

class FaceHistory final : public HistoryCSVSource {
public:
    explicit FaceHistory(face::AlertsFace& alerts) : alerts_(alerts) {}
    QCoro::Task<std::optional<QString>> exportHistoryCSV() override { return alerts_.exportHistoryCSV(); }

private:
    face::AlertsFace& alerts_;
};

QString shortcutText(std::string_view macShortcut) { return face::qtText(portableShortcut(macShortcut)); }

}  // namespace

ShellCommands::~ShellCommands() { *alive_ = false; }

ShellCommands::ShellCommands(face::EngineFace& face, updater::UpdaterViewModel& updater,
                             std::function<void(QString)> openWindow, std::function<void()> quit, QObject* parent,
                             std::unique_ptr<SavePanel> savePanel)
    : QObject(parent),
      face_(face),
      updater_(updater),
      openWindow_(std::move(openWindow)),
      quit_(std::move(quit)),
      appMenu_(this),
      fileMenu_(this),
      viewMenu_(this),
      fanPresets_(this),
      savePanel_(savePanel ? std::move(savePanel) : std::make_unique<DialogSavePanel>()),
      history_(std::make_unique<FaceHistory>(face.alerts())) {
    connect(&face_.drive(), &face::DriveFace::hasFansChanged, this, &ShellCommands::faceMayHaveChanged);
    connect(&face_.drive(), &face::DriveFace::activeProfileChanged, this, &ShellCommands::faceMayHaveChanged);
    connect(&face_.daemon(), &face::DaemonFace::helperStateChanged, this, &ShellCommands::faceMayHaveChanged);
    connect(&face_.alerts(), &face::AlertsFace::hasHistoryChanged, this, &ShellCommands::faceMayHaveChanged);
    connect(&face_.shell(), &face::ShellFace::selectedSectionChanged, this, &ShellCommands::sectionChanged);
    state_ = readMenuState();
    refillMenus();
}

void ShellCommands::provide(QQmlEngine& qml, ShellCommands* commands) {
    face::QmlProvided<ShellCommands>::provide(qml, commands);
}

ShellCommands* ShellCommands::create(QQmlEngine* qml, QJSEngine*) {
    return face::QmlProvided<ShellCommands>::take(qml, "Zephrane.Shell");
}

ShellCommands::MenuState ShellCommands::readMenuState() const {
    MenuState state{.hasFans = face_.drive().hasFans(),
                    .helperConnected = face_.daemon().helperState().kind() == HelperState::Kind::connected,
                    .hasHistory = face_.alerts().hasHistory(),
                    .activeProfile = std::nullopt};
    if (const auto& active = face_.drive().activeProfile()) state.activeProfile = active->id;
    return state;
}

void ShellCommands::faceMayHaveChanged() {
    MenuState state = readMenuState();
    if (state == state_) return;
    state_ = std::move(state);
    refillMenus();
    emit menusChanged();
}

void ShellCommands::refillMenus() {
    const auto entriesOf = [this](std::string_view menu) {
        std::vector<ShellMenuModel::Entry> entries;
        for (const AppCommandEntry& entry : appCommands()) {
            if (entry.menu != menu) continue;
            entries.push_back({.command = static_cast<int>(entry.command),
                               .title = face::qtText(entry.title),
                               .shortcut = shortcutText(entry.macShortcut),
                               // Nothing to check without a feed, nothing to export before the first sample.
                               .shown = entry.command != AppCommand::checkForUpdates || updater_.canCheckForUpdates(),
                               .enabled = entry.command != AppCommand::exportPowerHistory || state_.hasHistory});
        }
        return entries;
    };
    appMenu_.setEntries(entriesOf("Brumalune"));
    fileMenu_.setEntries(entriesOf("File"));
    viewMenu_.setEntries(entriesOf("View"));
    std::vector<ShellMenuModel::Entry> presets;
    const auto& table = fanPresetCommands();
    for (std::size_t i = 0; i < table.size(); ++i) {
        presets.push_back({.command = static_cast<int>(i),
                           .title = face::qtText(table[i].title),
                           .shortcut = shortcutText(std::string("\u2303\u2318") + table[i].key),
                           .shown = state_.hasFans,
                           .enabled = true,
                           .checkable = true,
                           .checked = state_.activeProfile == table[i].profile->id});
    }
    fanPresets_.setEntries(std::move(presets));
}

QObject* ShellCommands::updaterObject() const { return &updater_; }

QString ShellCommands::section() const { return face::qtText(storedValue(face_.shell().selectedSection())); }

void ShellCommands::setReadout(const QString& readout) {
    if (readout == readout_) return;
    readout_ = readout;
    emit readoutChanged();
}

void ShellCommands::trigger(Command command) {
    const auto which = static_cast<AppCommand>(command);
    switch (which) {
        case AppCommand::checkForUpdates: updater_.checkForUpdates(); return;
        case AppCommand::exportPowerHistory:
            // One save panel at a time.
            if (!exporting_) exportHistory();
            return;
        case AppCommand::quit: quit_(); return;
        case AppCommand::startDustCycle:
            if (!dustCycleEnabled()) return;
            break;
        default: break;
    }
    // The section first, then the request, then the window: the window
    // opens on the right screen, and that screen finds its request raised.
    if (const auto section = sectionOf(which)) face_.shell().selectSection(*section);
    if (which == AppCommand::newCustomMode) face_.shell().requestModeCreation();
    if (which == AppCommand::startDustCycle) face_.shell().requestDustCycle();
    openWindow_("main");
}

void ShellCommands::choosePreset(int row) {
    const auto& table = fanPresetCommands();
    const int index = fanPresets_.commandAt(row);
    if (index < 0 || index >= static_cast<int>(table.size())) return;
    const FanProfile& profile = *table[static_cast<std::size_t>(index)].profile;
    if (state_.activeProfile == profile.id) return;  // the toggle that is on stays on
    // The engine's own choice of a profile: no preset and no custom mode
    // stay behind, and a running dust cycle ends, so nothing later (a cap
    // edit, the power source, the cycle's end) puts an older drive back.
    face_.drive().selectProfile(profile);
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
        QAction* action = menu->addAction(face::qtText(entry.title));
        action->setShortcut(QKeySequence(shortcutText(entry.macShortcut)));
        connect(action, &QAction::triggered, this, [this, command = entry.command] { trigger(static_cast<Command>(command)); });
    };
    for (const auto& entry : appCommands())
        if (entry.inTrayMenu && entry.command == AppCommand::openMainWindow) addCommand(entry);
    QMenu* fans = menu->addMenu("Fans");
    auto refillFans = [this, fans] {
        fans->clear();
        if (!state_.hasFans) return;
        for (int row = 0; row < fanPresets_.rowCount(); ++row) {
            const QModelIndex at = fanPresets_.index(row);
            QAction* action = fans->addAction(at.data(ShellMenuModel::TitleRole).toString());
            action->setCheckable(true);
            action->setChecked(at.data(ShellMenuModel::CheckedRole).toBool());
            action->setShortcut(QKeySequence(at.data(ShellMenuModel::ShortcutRole).toString()));
            connect(action, &QAction::triggered, this, [this, row] { choosePreset(row); });
        }
        fans->addSeparator();
        QAction* dust = fans->addAction("Start Dust Cycle\u2026");
        dust->setEnabled(dustCycleEnabled());
        connect(dust, &QAction::triggered, this, [this] { trigger(StartDustCycle); });
    };
    refillFans();
    connect(this, &ShellCommands::menusChanged, fans, refillFans);
    menu->addSeparator();
    for (const auto& entry : appCommands()) {
        if (entry.inTrayMenu && entry.command != AppCommand::openMainWindow &&
            entry.command != AppCommand::startDustCycle)
            addCommand(entry);
    }
    return menu;
}

}  // namespace zephrane
