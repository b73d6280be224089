// zephrane-gallery: any view of the app on a scripted engine, in a named
// state, in a window of the view's own size; saved as a picture for the
// people who look at every state of a view, light and dark.
//
//   zephrane-gallery --list
//       one "VIEW STATE" pair a line
//   zephrane-gallery --view VIEW --state STATE --scheme light|dark --png FILE
//       renders that view, saves it and exits 0; an unknown view or state
//       exits 2 naming the ones there are
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QTimer>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewStore.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/HeifPhotoDecoder.hpp"
#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Gallery/GalleryViews.hpp"
#include "ZephraneApp/Gallery/QmlWarnings.hpp"
#include "ZephraneApp/Shell/ShellCommands.hpp"
#include "ZephraneApp/Shell/ViewPlugins.hpp"
#include "platform/accessibility/FakeDisplayOptions.hpp"
#include "platform/updater/Updater.hpp"


Q_IMPORT_QML_PLUGIN(Zephrane_GalleryPlugin)

namespace {

using namespace zephrane;

constexpr int kUsage = 2;

int refuse(const std::string& message) {
    std::fprintf(stderr, "zephrane-gallery: %s\n", message.c_str());
    return kUsage;
}

std::string joined(const std::vector<std::string>& names) {
    std::string all;
    for (const std::string& name : names) all += (all.empty() ? "" : ", ") + name;
    return all;
}

const gallery::View* findView(const std::string& name) {
    for (const gallery::View& view : gallery::views())
        if (view.name == name) return &view;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    // The app's QML runs in the interpreter; so does the gallery's, so that
    // the pictures show what the app draws.
    if (!qEnvironmentVariableIsSet("QV4_FORCE_INTERPRETER")) qputenv("QV4_FORCE_INTERPRETER", "1");
    // Listing and refusing need no display: the application comes after.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription("Shows a view of the app on a scripted engine in a named state.");
    parser.addHelpOption();
    parser.addOption({"list", "print every view and state, one \"VIEW STATE\" pair a line"});
    parser.addOption({"view", "the view to show", "VIEW"});
    parser.addOption({"state", "the view's state", "STATE"});
    parser.addOption({"scheme", "light or dark", "SCHEME", "light"});
    parser.addOption({"png", "save the view to this file and exit", "FILE"});
    parser.process(arguments);

    if (parser.isSet("list")) {
        for (const gallery::View& view : gallery::views())
            for (const gallery::ViewState& state : view.states) std::printf("%s %s\n", view.name.c_str(), state.name.c_str());
        return 0;
    }
    std::vector<std::string> viewNames;
    for (const gallery::View& view : gallery::views()) viewNames.push_back(view.name);
    const std::string viewName = parser.value("view").toStdString();
    const gallery::View* view = findView(viewName);
    if (view == nullptr)
        return refuse("no view \"" + viewName + "\"; the views are: " + joined(viewNames));
    const std::string stateName = parser.value("state").toStdString();
    const gallery::ViewState* state = nullptr;
    std::vector<std::string> stateNames;
    for (const gallery::ViewState& candidate : view->states) {
        stateNames.push_back(candidate.name);
        if (candidate.name == stateName) state = &candidate;
    }
    if (state == nullptr)
        return refuse("the view " + viewName + " has no state \"" + stateName + "\"; its states are: " +
                      joined(stateNames) + "; the views are: " + joined(viewNames));
    const QString scheme = parser.value("scheme");
    if (scheme != "light" && scheme != "dark") return refuse("the scheme is light or dark, not \"" + scheme.toStdString() + "\"");

    QApplication app(argc, argv);
    QApplication::setApplicationName("zephrane-gallery");
    gallery::watchQmlWarnings();

    // Every display option off, the appearance as asked: the same picture on
    // every machine.
    accessibility::FakeDisplayOptions options;
    design::ThemeTokens theme(&options, nullptr);
    theme.setForcedAppearance(scheme == "dark" ? Theme::Appearance::dark : Theme::Appearance::light);
    design::ThemeTokens::install(&theme);
    BackdropImageStore store([] { return std::optional<std::filesystem::path>(ZEPHRANE_GALLERY_BUNDLE); },
                             std::make_shared<HeifPhotoDecoder>());
    design::setBackdropViewStore(&store);

    face::ScriptedEngineFace face;
    updater::OfflineUpdaterController updaterController;
    updater::UpdaterViewModel updater(updaterController, QString());
    ShellCommands shell(face, updater, [](const QString&) {}, [] {});
    gallery::Stage stage{face, shell};
    if (state->script) state->script(stage);

    QQmlApplicationEngine qml;
    qml.addImportPath(QStringLiteral("qrc:/"));
    face::EngineFace::provide(qml, &face);
    ShellCommands::provide(qml, &shell);

    QQuickWindow* window = nullptr;
    std::unique_ptr<QQuickView> itemView;
    if (view->isWindow) {
        qml.setInitialProperties(state->properties);
        qml.load(QUrl(view->source));
        if (!qml.rootObjects().isEmpty()) window = qobject_cast<QQuickWindow*>(qml.rootObjects().first());
    } else {
        itemView = std::make_unique<QQuickView>(&qml, nullptr);
        itemView->setResizeMode(QQuickView::SizeViewToRootObject);
        itemView->setInitialProperties(state->properties);
        itemView->setSource(QUrl(view->source));
        if (itemView->status() == QQuickView::Ready) window = itemView.get();
        for (const QQmlError& error : itemView->errors()) std::fprintf(stderr, "%s\n", qPrintable(error.toString()));
    }
    if (window == nullptr) {
        std::fprintf(stderr, "zephrane-gallery: %s did not load\n", qPrintable(view->source));
        return 1;
    }
    window->setTitle(QString::fromStdString(viewName + " \u2014 " + stateName));
    window->show();

    const QString png = parser.value("png");
    if (png.isEmpty()) return app.exec();

    // The picture once what it shows has loaded (a scene says so in its
    // `settled`) and the first frames' animations have run their course.
    constexpr auto kSettle = std::chrono::milliseconds(700);
    constexpr auto kPoll = std::chrono::milliseconds(50);
    QDeadlineTimer deadline(std::chrono::minutes(2));
    int status = 1;
    std::function<void()> whenSettled = [&] {
        QObject* root = itemView ? static_cast<QObject*>(itemView->rootObject()) : window;
        const QVariant settled = root->property("settled");
        if (settled.isValid() && !settled.toBool()) {
            if (deadline.hasExpired()) {
                std::fprintf(stderr, "zephrane-gallery: %s %s did not finish loading\n", viewName.c_str(), stateName.c_str());
                app.exit(1);
                return;
            }
            QTimer::singleShot(kPoll, &app, whenSettled);
            return;
        }
        QTimer::singleShot(kSettle, &app, [&] {
            if (!gallery::qmlWarnings().isEmpty()) {
                std::fprintf(stderr, "zephrane-gallery: %s %s warned:\n%s\n", viewName.c_str(), stateName.c_str(),
                             qPrintable(gallery::qmlWarnings().join('\n')));
                app.exit(1);
                return;
            }
            const QImage picture = window->grabWindow();
            status = !picture.isNull() && picture.save(png) ? 0 : 1;
            if (status != 0) std::fprintf(stderr, "zephrane-gallery: could not save %s\n", qPrintable(png));
            app.exit(status);
        });
    };
    QTimer::singleShot(0, &app, whenSettled);
    return app.exec() == 0 ? status : 1;
}
