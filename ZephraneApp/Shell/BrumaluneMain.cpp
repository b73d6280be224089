// The app: the engine under automatic control, the tray item with its
// panel and hot key, the main window and the panel preview, the menus, the
// updater gate and the life cycle. Quitting (the tray menu, SIGTERM,
// Ctrl-C) leaves the event loop in order, so the daemon link's exit hook
// hands the fans back.
#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QMenu>
#include <QQmlApplicationEngine>
#include <QQuickView>
#include <QQuickWindow>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewStore.hpp"
#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "ZephraneApp/Composition/ServiceAdapters.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"
#include "ZephraneApp/Face/ZephraneEngineFace.hpp"
#include "ZephraneApp/MainWindow/WorkspaceApplications.hpp"
#include "ZephraneApp/Services/Install/LaunchAtLogin.hpp"
#include "ZephraneApp/Shell/AppDelegate.hpp"
#include "ZephraneApp/Shell/MenuBarLabelSource.hpp"
#include "ZephraneApp/Shell/MenuBarPanelBridge.hpp"
#include "ZephraneApp/Shell/QuickPanelSurface.hpp"
#include "ZephraneApp/Shell/ShellCommands.hpp"
#include "ZephraneApp/Shell/StatusItemController.hpp"
#include "ZephraneApp/Shell/ViewPlugins.hpp"
#include "platform/accessibility/AccessibilitySettings.hpp"
#include "platform/activationpolicy/TaskbarActivationPolicy.hpp"
#include "platform/accessibility/DesktopSettingsPortal.hpp"
#include "platform/codesign/CodeSigning.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "platform/hotkey/HotKeyCenter.hpp"
#include "platform/notifications/DBusNotificationCenter.hpp"
#include "platform/servicemanagement/LoginItem.hpp"
#include "platform/oslog/OSLog.hpp"
#include "platform/updater/Updater.hpp"


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

// Opens a window scene by its id; an open one is raised. How long a window
// that was not on screen took to its first frame goes to the log (the
// shell's benchmark reads it).
class Scenes {
public:
    explicit Scenes(QQmlApplicationEngine& qml) : qml_(qml) {}

    void open(const QString& id) {
        QElapsedTimer asked;
        asked.start();
        if (QQuickWindow* window = find(id)) {
            if (!window->isVisible()) timeFirstFrame(window, asked);
            window->show();
            window->raise();
            window->requestActivate();
            return;
        }
        qml_.load(QUrl(id == "main" ? "qrc:/Zephrane/Shell/Main.qml" : "qrc:/Zephrane/Shell/PanelPreview.qml"));
        if (QQuickWindow* window = find(id)) timeFirstFrame(window, asked);
    }

private:
    QQuickWindow* find(const QString& id) const {
        for (QObject* root : qml_.rootObjects()) {
            auto* window = qobject_cast<QQuickWindow*>(root);
            if (window != nullptr && window->objectName() == id) return window;
        }
        return nullptr;
    }

    static void timeFirstFrame(QQuickWindow* window, QElapsedTimer asked) {
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = QObject::connect(window, &QQuickWindow::frameSwapped, window, [window, asked, once] {
            QObject::disconnect(*once);
            oslog::logger("com.zephrane.app", "main")
                .info("window \"" + window->objectName().toStdString() + "\": first frame " +
                      std::to_string(asked.elapsed()) + " ms after it was opened");
        });
    }

    QQmlApplicationEngine& qml_;
};

}  // namespace

int main(int argc, char** argv) {
    // Before anything else: from here on no other process of the user may
    // attach to the app and steer its link to the daemon (the daemon refuses
    // a client that is traced already).
    const std::optional<std::string> debuggable = codesign::denyDebuggerAttachment();
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

    if (debuggable) oslog::logger("com.zephrane.app", "main").error(*debuggable + ", ignoring");

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
    // Everything below reads and drives the engine through its face.
    face::ZephraneEngineFace face(*engine);
    face::PreferencesFace& preferences = face.preferences();
    theme.setAccentChoice(preferences.state().accentChoice);
    QObject::connect(&preferences, &face::PreferencesFace::accentChoiceChanged, &theme,
                     [&] { theme.setAccentChoice(preferences.state().accentChoice); });
    // What the settings and the first-run wizard ask of the desktop.
    activationpolicy::TaskbarActivationPolicy activationPolicy;
    const servicemanagement::LoginItem loginItem = servicemanagement::LoginItem::forCurrentUser();
    face.setSystemServices(
        {.launchAtLogin = [&loginItem] { return loginItem.status() == servicemanagement::Status::enabled; },
         .setLaunchAtLogin = [&loginItem](bool enabled) { return setLaunchAtLogin(enabled, loginItem); },
         .notifications = std::make_shared<notifications::DBusNotificationCenter>(
             QDBusConnection::sessionBus(), notifications::DBusNotificationCenter::runningApplicationIdentifier()),
         .setActivationPolicy = [&activationPolicy](face::command::ActivationPolicy policy) {
             activationPolicy.setActivationPolicy(policy == face::command::ActivationPolicy::regular
                                                      ? activationpolicy::Policy::regular
                                                      : activationpolicy::Policy::accessory);
         }});
    // The stored Dock preference holds from launch on, not only once the
    // settings form changes it.
    face.system().setActivationPolicy(preferences.showDockIconValue() ? face::SystemFace::Regular
                                                                      : face::SystemFace::Accessory);
    updater::OfflineUpdaterController updaterController;
    updater::UpdaterViewModel updater(updaterController, updater::builtInFeed());

    // The main window reads the user's running applications through it;
    // it outlives the windows.
    mainwindow::WorkspaceApplications runningApplications;
    QQmlApplicationEngine qml;
    qml.addImportPath("qrc:/");
    face::EngineFace::provide(qml, &face);
    mainwindow::RunningApplications::provide(qml, &runningApplications);
    Scenes scenes(qml);
    // Owned by the QML engine, so that it outlives the windows bound to it.
    auto& commands = *new ShellCommands(face, updater, [&scenes](const QString& id) { scenes.open(id); },
                                        [&delegate] { delegate.requestTerminate(); }, &qml);
    ShellCommands::provide(qml, &commands);

    delegate.didFinishLaunching();
    if (const auto appearance = AppDelegate::appearanceOverride(arguments)) theme.setForcedAppearance(*appearance);

    QObject::connect(&face.daemon(), &face::DaemonFace::helperStateChanged, &face,
                     [&face] { logLinkState(face.daemon().helperState()); });

    // The start-up task of the main window, which tells the engine itself
    // whether it can be seen.
    scenes.open("main");
    for (QObject* root : qml.rootObjects()) {
        if (auto* window = qobject_cast<QQuickWindow*>(root); window != nullptr && window->objectName() == "main")
            activationPolicy.addWindow(window);
    }
    engine->start();

    FaceLabelSource label(face.shell());
    QObject::connect(&label, &MenuBarLabelSource::labelStateChanged, &commands,
                     [&] { commands.setReadout(QString::fromStdString(statusLabelText(label.labelState()))); });
    commands.setReadout(QString::fromStdString(statusLabelText(label.labelState())));
    const auto hotKeys = hotkey::makeDesktopHotKeyCenter();
    PanelController* panelController = nullptr;
    StatusItemController statusItem(
        label, *hotKeys,
        {.reduceMotion = [&theme] { return theme.reduceMotion(); },
         .togglePanel = [&panelController] { if (panelController != nullptr) panelController->toggle(); },
         .repairHelper = [&face] { face.daemon().installHelper(); },
         .setShortcutConflict = [&preferences](bool conflict) { preferences.setSummonShortcutConflict(conflict); }});
    QuickPanelSurface panelSurface(qml, QUrl("qrc:/Zephrane/Shell/Panel.qml"), &statusItem.tray(),
                                   [&theme] { return theme.reduceMotion(); });
    PanelController panel(panelSurface);
    panelSurface.setController(&panel);
    panelController = &panel;
    // The panel's view opens the main window and closes the panel through this.
    MenuBarPanelBridge bridge;
    QObject::connect(&bridge, &MenuBarPanelBridge::openMainWindowRequested, &bridge, [&scenes] { scenes.open("main"); });
    QObject::connect(&bridge, &MenuBarPanelBridge::closePanelRequested, &bridge, [&panel] { panel.close(); });
    panelSurface.setContentProperties({{"panelBridge", QVariant::fromValue(static_cast<QObject*>(&bridge))}});
    QObject::connect(&theme, &design::ThemeTokens::displayOptionsChanged, &statusItem,
                     &StatusItemController::reapplyLastState);

    std::unique_ptr<QMenu> trayMenu(commands.trayMenu());
    statusItem.install(trayMenu.get(), arguments);
    QObject::connect(&preferences, &face::PreferencesFace::summonShortcutAssigned, &statusItem,
                     [&] { statusItem.applySummonShortcut(preferences.summonShortcut()); });
    statusItem.applySummonShortcut(preferences.summonShortcut());
    if (arguments.contains("--preview-panel")) scenes.open("panel-preview");

    const int status = QApplication::exec();
    panelController = nullptr;
    // The control loop ends before the engine goes, or its suspended tick
    // would outlive it.
    QCoro::waitFor(engine->stop());
    return status;
}
