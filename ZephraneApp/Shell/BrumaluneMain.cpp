// The app: the engine under automatic control, the tray item with its
// panel and hot key, the main window and the panel preview, the menus, the
// updater gate and the life cycle. Quitting (the tray menu, SIGTERM,
// Ctrl-C) leaves the event loop in order, so the daemon link's exit hook
// hands the fans back.
#include <QApplication>
#include <QDBusConnection>
#include <QMenu>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickView>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/DesignSystem/BackdropViewStore.hpp"
#include "ZephraneApp/DesignSystem/ThemeTokens.hpp"
#include "ZephraneApp/Engine/ServiceAdapters.hpp"
#include "ZephraneApp/Shell/AppDelegate.hpp"
#include "ZephraneApp/Shell/MenuBarLabelSource.hpp"
#include "ZephraneApp/Shell/QuickPanelSurface.hpp"
#include "ZephraneApp/Shell/ShellCommands.hpp"
#include "ZephraneApp/Shell/StatusItemController.hpp"
#include "platform/accessibility/AccessibilitySettings.hpp"
#include "platform/accessibility/DesktopSettingsPortal.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "platform/hotkey/HotKeyCenter.hpp"
#include "platform/oslog/OSLog.hpp"
#include "platform/updater/Updater.hpp"

Q_IMPORT_QML_PLUGIN(Zephrane_DesignPlugin)

ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");

namespace {

using namespace zephrane;

std::string_view stateName(const HelperState& state) {
    switch (state.kind()) {
        case HelperState::Kind::unavailable: return "unavailable";
        case HelperState::Kind::notRegistered: return "notRegistered";
        case HelperState::Kind::requiresApproval: return "requiresApproval";
        case HelperState::Kind::enabled: return "enabled";
        case HelperState::Kind::connected: return "connected";
    }
    return "unknown";
}

void logLinkState(const HelperState& state) {
    std::string line = "daemon link: " + std::string(stateName(state));
    if (!state.reason().empty()) line += " (" + state.reason() + ")";
    oslog::logger("com.zephrane.app", "main").info(line);
}

// Opens a window scene by its id; an open one is raised.
class Scenes {
public:
    explicit Scenes(QQmlApplicationEngine& qml) : qml_(qml) {}

    void open(const QString& id) {
        for (QObject* root : qml_.rootObjects()) {
            auto* window = qobject_cast<QQuickWindow*>(root);
            if (window != nullptr && window->objectName() == id) {
                window->show();
                window->raise();
                window->requestActivate();
                return;
            }
        }
        qml_.load(QUrl(id == "main" ? "qrc:/qt/qml/Brumalune/Main.qml" : "qrc:/qt/qml/Brumalune/PanelPreview.qml"));
    }

private:
    QQmlApplicationEngine& qml_;
};

}  // namespace

int main(int argc, char** argv) {
    // The daemon turns away a client running code mapped from an anonymous
    // file (fileless injection looks just so), and the QML JIT maps its code
    // that way: the interpreter keeps the app's own link to its daemon.
    if (!qEnvironmentVariableIsSet("QV4_FORCE_INTERPRETER")) qputenv("QV4_FORCE_INTERPRETER", "1");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Brumalune");
    QApplication::setOrganizationName("Zephrane");
    QApplication::setOrganizationDomain("zephrane.com");
    // A tray app: closing the main window leaves it running.
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList arguments = QApplication::arguments();

    AppDelegate delegate;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::willTerminate);

    // The theme QML reads, installed before any QML loads.
    accessibility::DesktopSettingsPortal portal(QDBusConnection::sessionBus());
    accessibility::AccessibilitySettings accessibilitySettings(
        accessibility::environmentOverrides(), accessibility::AccessibilitySettings::defaultPreferenceFile(), &portal);
    design::ThemeTokens theme(&accessibilitySettings, &portal);
    design::ThemeTokens::install(&theme);
    design::startBackdropPhotoStore();

    auto engine = makeAppEngine(FanProfile::appleAuto());
    updater::OfflineUpdaterController updaterController;
    updater::UpdaterViewModel updater(updaterController, updater::builtInFeed());

    QQmlApplicationEngine qml;
    qml.addImportPath("qrc:/");
    Scenes scenes(qml);
    // Owned by the QML engine, so that it outlives the windows bound to it.
    auto& commands = *new ShellCommands(*engine, updater, [&scenes](const QString& id) { scenes.open(id); },
                                        [&delegate] { delegate.requestTerminate(); }, &qml);
    qml.rootContext()->setContextProperty("shell", &commands);

    delegate.didFinishLaunching();
    if (const auto appearance = AppDelegate::appearanceOverride(arguments)) theme.setForcedAppearance(*appearance);

    QObject::connect(engine.get(), &ZephraneEngine::helperStateChanged, engine.get(),
                     [&engine] { logLinkState(engine->helperState()); });

    // The start-up task of the main window.
    scenes.open("main");
    for (QObject* root : qml.rootObjects()) {
        // Closing hides the window; the engine refreshes what only it shows
        // at the slow rate meanwhile.
        if (auto* window = qobject_cast<QQuickWindow*>(root); window != nullptr && window->objectName() == "main") {
            engine->setMainWindowVisible(window->isVisible());
            QObject::connect(window, &QWindow::visibleChanged, engine.get(),
                             [&engine](bool visible) { engine->setMainWindowVisible(visible); });
        }
    }
    engine->start();

    EngineLabelSource label(*engine);
    QObject::connect(&label, &MenuBarLabelSource::labelStateChanged, &commands,
                     [&] { commands.setReadout(QString::fromStdString(statusLabelText(label.labelState()))); });
    commands.setReadout(QString::fromStdString(statusLabelText(label.labelState())));
    const auto hotKeys = hotkey::makeDesktopHotKeyCenter();
    PanelController* panelController = nullptr;
    StatusItemController statusItem(
        label, *hotKeys,
        {.reduceMotion = [&theme] { return theme.reduceMotion(); },
         .togglePanel = [&panelController] { if (panelController != nullptr) panelController->toggle(); },
         .repairHelper = [&engine] { engine->installHelper(); },
         .setShortcutConflict = [&engine](bool conflict) { engine->setSummonShortcutConflict(conflict); }});
    QuickPanelSurface panelSurface(qml, QUrl("qrc:/qt/qml/Brumalune/Panel.qml"), &statusItem.tray(),
                                   [&theme] { return theme.reduceMotion(); });
    PanelController panel(panelSurface);
    panelSurface.setController(&panel);
    panelController = &panel;
    QObject::connect(&theme, &design::ThemeTokens::displayOptionsChanged, &statusItem,
                     &StatusItemController::reapplyLastState);

    std::unique_ptr<QMenu> trayMenu(commands.trayMenu());
    statusItem.install(trayMenu.get(), arguments);
    engine->setOnSummonShortcutChanged(
        [&statusItem](const OptionalShortcut& shortcut) { statusItem.applySummonShortcut(shortcut); });
    statusItem.applySummonShortcut(engine->summonShortcut());
    if (arguments.contains("--preview-panel")) scenes.open("panel-preview");

    const int status = QApplication::exec();
    panelController = nullptr;
    // The control loop ends before the engine goes, or its suspended tick
    // would outlive it.
    QCoro::waitFor(engine->stop());
    return status;
}
