#include "ZephraneApp/MainWindow/RunningApplications.hpp"

#include <QJSEngine>

#include "ZephraneApp/Face/QmlProvided.hpp"
#include "ZephraneApp/MainWindow/ScriptedApplications.hpp"

namespace zephrane::mainwindow {

void RunningApplications::provide(QQmlEngine& qml, RunningApplications* applications) {
    face::QmlProvided<RunningApplications>::provide(qml, applications);
}

RunningApplications* RunningApplications::of(QQmlEngine* qml) {
    if (RunningApplications* provided = face::QmlProvided<RunningApplications>::find(qml)) return provided;
    return &standIn();
}

RunningApplications* RunningApplications::create(QQmlEngine* qml, QJSEngine*) {
    RunningApplications* applications = of(qml);
    QJSEngine::setObjectOwnership(applications, QJSEngine::CppOwnership);
    return applications;
}

ScriptedApplications& RunningApplications::standIn() {
    // Immortal, like the QML engines' own singletons it stands beside.
    static auto* scripted = new ScriptedApplications;
    return *scripted;
}

}  // namespace zephrane::mainwindow
