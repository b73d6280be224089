// What the main window asks of the desktop's running applications: which
// application identifiers run (the competing fan-controller notice), one
// application by its process identifier, and the polite request to quit it
// (the heat sources rows). Each answer is awaited: the work reads /proc and
// runs off the GUI thread in the real implementation.
//
// In QML this is the singleton `RunningApplications` of Zephrane.MainWindow,
// provided per QML engine by whoever made the engine; an engine given none
// (the gallery, other areas' tests) gets a scripted one that knows of no
// application.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include "platform/workspace/ApplicationProcess.hpp"

class QQmlEngine;
class QJSEngine;

namespace zephrane::mainwindow {

class ScriptedApplications;

class RunningApplications : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(RunningApplications)
    QML_SINGLETON

public:
    // The identifiers of the applications running now.
    virtual QCoro::Task<std::set<std::string>> identifiers() = 0;
    // The application with that process identifier; none when there is none.
    virtual QCoro::Task<std::optional<workspace::ApplicationProcess>> application(std::int32_t pid) = 0;
    // Quits it when it is still the one called `name`.
    virtual QCoro::Task<workspace::QuitOutcome> quit(std::int32_t pid, std::string name) = 0;

    // The object the QML engine `qml` hands out; null withdraws it.
    static void provide(QQmlEngine& qml, RunningApplications* applications);
    // What `qml` was given, else the process's scripted stand-in.
    static RunningApplications* of(QQmlEngine* qml);
    static RunningApplications* create(QQmlEngine* qml, QJSEngine* js);
    // The stand-in of engines given none: the gallery's states script it.
    static ScriptedApplications& standIn();

protected:
    explicit RunningApplications(QObject* parent = nullptr) : QObject(parent) {}
};

}  // namespace zephrane::mainwindow
