// QML behaviour tests of the design module's controls (tst_*.qml here),
// offscreen, with a fake engine and a theme the tests switch by hand.
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include "DesignQmlSupport.hpp"
#include "FakeEngine.hpp"

namespace zephrane::design::testing {

// What the QML tests may switch: the display options and the appearance.
class ThemeControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    Q_INVOKABLE void setOptions(bool reduceMotion, bool reduceTransparency, bool increaseContrast) {
        testTheme().options.setOptions({reduceMotion, reduceTransparency, increaseContrast});
    }
    Q_INVOKABLE void setDark(bool dark) {
        testTheme().theme.setForcedAppearance(dark ? Theme::Appearance::dark : Theme::Appearance::light);
    }
};

class Setup : public QObject {
    Q_OBJECT
public slots:
    void qmlEngineAvailable(QQmlEngine* engine) {
        prepareEngine(*engine);
        qmlRegisterType<FakeEngine>("Zephrane.Testing", 1, 0, "FakeEngine");
        engine->rootContext()->setContextProperty("themeControl", new ThemeControl(engine));
    }
};

}  // namespace zephrane::design::testing

QUICK_TEST_MAIN_WITH_SETUP(design_quick, zephrane::design::testing::Setup)

#include "DesignQuickTest.moc"
