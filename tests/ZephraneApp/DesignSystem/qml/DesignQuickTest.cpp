// QML behaviour tests of the design module's controls (tst_*.qml here),
// offscreen, with a fake engine and a theme the tests switch by hand. The
// backdrop views load the build's photographs, less Nebula's two, which
// stand for photographs that are missing.
#include <filesystem>
#include <memory>

#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include <QTemporaryDir>

#include "DesignQmlSupport.hpp"
#include "FakeEngine.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewStore.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/BackdropResourceBundle.hpp"

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

// A bundle of links to the build's photographs, without Nebula's.
std::optional<std::filesystem::path> bundleWithoutNebula(const QTemporaryDir& folder) {
    namespace fs = std::filesystem;
    const fs::path built = ZEPHRANE_TEST_BACKDROP_BUNDLE;
    const fs::path bundle = fs::path(folder.path().toStdString()) / BackdropResources::kResourceBundleName;
    std::error_code error;
    fs::create_directories(bundle / BackdropResources::kPhotosFolder, error);
    for (const auto& photo : fs::directory_iterator(built / BackdropResources::kPhotosFolder, error)) {
        if (photo.path().filename().string().starts_with("nebula-")) continue;
        fs::create_symlink(photo.path(), bundle / BackdropResources::kPhotosFolder / photo.path().filename(), error);
    }
    return bundle;
}

class Setup : public QObject {
    Q_OBJECT
public slots:
    void qmlEngineAvailable(QQmlEngine* engine) {
        static auto* folder = new QTemporaryDir;  // lives as long as the runner
        static auto* store = new BackdropImageStore([] { return bundleWithoutNebula(*folder); },
                                                    std::make_shared<HeifPhotoDecoder>());
        setBackdropViewStore(store);
        prepareEngine(*engine);
        qmlRegisterType<FakeEngine>("Zephrane.Testing", 1, 0, "FakeEngine");
        engine->rootContext()->setContextProperty("themeControl", new ThemeControl(engine));
    }
};

}  // namespace zephrane::design::testing

QUICK_TEST_MAIN_WITH_SETUP(design_quick, zephrane::design::testing::Setup)

#include "DesignQuickTest.moc"
