#include "DesignQmlSupport.hpp"

#include <mutex>

#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Zephrane_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zephrane_FacePlugin)

namespace zephrane::design::testing {
namespace {

std::mutex netMutex;
QStringList netCaught;
QtMessageHandler previousHandler = nullptr;

void catchWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) {
        std::lock_guard lock(netMutex);
        netCaught << message;
    }
    if (previousHandler != nullptr) previousHandler(type, context, message);
}

}  // namespace

TestTheme& testTheme() {
    static auto* theme = [] {
        auto* t = new TestTheme;  // immortal, like the app's theme
        ThemeTokens::install(&t->theme);
        return t;
    }();
    return *theme;
}

void importDesignModule(QQmlEngine& engine) { engine.addImportPath(QStringLiteral("qrc:/")); }

void prepareEngine(QQmlEngine& engine) {
    testTheme();
    importDesignModule(engine);
}

WarningNet::WarningNet() {
    std::lock_guard lock(netMutex);
    netCaught.clear();
    previousHandler = qInstallMessageHandler(catchWarnings);
}

WarningNet::~WarningNet() { qInstallMessageHandler(previousHandler); }

QStringList WarningNet::caught() const {
    std::lock_guard lock(netMutex);
    return netCaught;
}

}  // namespace zephrane::design::testing
