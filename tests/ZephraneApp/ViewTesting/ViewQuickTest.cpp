#include "ViewQuickTest.hpp"

#include <cstdio>
#include <memory>

#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Gallery/GalleryViews.hpp"
#include "ZephraneApp/Gallery/QmlWarnings.hpp"
#include "ZephraneApp/Shell/ShellCommands.hpp"
#include "ZephraneApp/Shell/ViewPlugins.hpp"
#include "platform/accessibility/FakeDisplayOptions.hpp"
#include "platform/updater/Updater.hpp"

Q_IMPORT_QML_PLUGIN(Zephrane_GalleryPlugin)

namespace zephrane::testing {
namespace {

// The theme every test file's QML sees; immortal, like the app's.
struct TestTheme {
    accessibility::FakeDisplayOptions options;
    design::ThemeTokens theme{&options, nullptr};
};
TestTheme& testTheme() {
    static auto* made = [] {
        auto* theme = new TestTheme;
        design::ThemeTokens::install(&theme->theme);
        return theme;
    }();
    return *made;
}

// One per test file's QML engine, owned by it: the scripted engine and the
// command table the file's views bind to.
struct EngineStage : QObject {
    explicit EngineStage(QObject* parent)
        : QObject(parent),
          updater(updaterController, QString()),
          shell(face, updater, [](const QString&) {}, [] {}),
          viewTest(face, shell, this) {}

    face::ScriptedEngineFace face;
    updater::OfflineUpdaterController updaterController;
    updater::UpdaterViewModel updater;
    ShellCommands shell;
    ViewTest viewTest;
};

class Setup : public QObject {
    Q_OBJECT
public:
    explicit Setup(EngineExtras extras) : extras_(std::move(extras)) {}

public slots:
    void qmlEngineAvailable(QQmlEngine* engine) {
        // The test library puts its own message handler in place for the
        // run; the catcher goes in front of it.
        gallery::watchQmlWarnings();
        testTheme().theme.setForcedAppearance(Theme::Appearance::light);
        testTheme().options.setOptions({});
        engine->addImportPath(QStringLiteral("qrc:/"));
        auto* stage = new EngineStage(engine);
        face::EngineFace::provide(*engine, &stage->face);
        ShellCommands::provide(*engine, &stage->shell);
        engine->rootContext()->setContextProperty(QStringLiteral("viewTest"), &stage->viewTest);
        if (extras_) extras_(*engine, stage->viewTest);
    }

private:
    EngineExtras extras_;
};

}  // namespace

ViewTest::ViewTest(face::ScriptedEngineFace& face, ShellCommands& shell, QObject* parent)
    : QObject(parent), face_(face), shell_(shell) {}

QObject* ViewTest::faceObject() const { return &face_; }

bool ViewTest::stage(const QString& view, const QString& state) {
    QStringList known;
    for (const gallery::View& candidate : gallery::views()) {
        known << QString::fromStdString(candidate.name);
        if (QString::fromStdString(candidate.name) != view) continue;
        QStringList states;
        for (const gallery::ViewState& named : candidate.states) {
            states << QString::fromStdString(named.name);
            if (QString::fromStdString(named.name) != state) continue;
            gallery::Stage on{face_, shell_};
            if (named.script) named.script(on);
            return true;
        }
        qWarning("viewTest.stage: %s has no state %s; its states: %s", qPrintable(view), qPrintable(state),
                 qPrintable(states.join(", ")));
        return false;
    }
    qWarning("viewTest.stage: no view %s; the views: %s", qPrintable(view), qPrintable(known.join(", ")));
    return false;
}

QStringList ViewTest::commands() const {
    QStringList described;
    for (const face::FaceCommand& command : face_.commands()) described << QString::fromStdString(face::describe(command));
    return described;
}

void ViewTest::clearCommands() { face_.clearCommands(); }

void ViewTest::setDark(bool dark) {
    testTheme().theme.setForcedAppearance(dark ? Theme::Appearance::dark : Theme::Appearance::light);
}

void ViewTest::setReduceMotion(bool on) {
    auto options = testTheme().options.options();
    options.reduceMotion = on;
    testTheme().options.setOptions(options);
}

int runViewQuickTests(int argc, char** argv, const char* name, const char* sourceDir, EngineExtras extras) {
    // As in the app: QML in the interpreter.
    if (!qEnvironmentVariableIsSet("QV4_FORCE_INTERPRETER")) qputenv("QV4_FORCE_INTERPRETER", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) qputenv("QT_QUICK_BACKEND", "software");
    Setup setup(std::move(extras));
    const int failed = quick_test_main_with_setup(argc, argv, name, sourceDir, &setup);
    if (const QStringList warnings = gallery::qmlWarnings(); !warnings.isEmpty()) {
        std::fprintf(stderr, "%s: QML warned:\n%s\n", name, qPrintable(warnings.join('\n')));
        return failed != 0 ? failed : 1;
    }
    return failed;
}

}  // namespace zephrane::testing

#include "ViewQuickTest.moc"
