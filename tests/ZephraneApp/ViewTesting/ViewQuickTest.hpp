// What the views' QML behaviour tests share. Each tst_*.qml file gets a QML
// engine of its own with a fresh scripted engine behind `Face`, the shell's
// command table behind `Shell`, the test theme, and a context object
// `viewTest` to stage the gallery's named states and read back what the
// views asked of the engine:
//
//   viewTest.stage("panel", "two-fans")   the gallery's state, published on
//                                         this file's scripted engine
//   viewTest.commands()                   ["SelectPreset(quiet)", ...]
//   viewTest.clearCommands()
//   viewTest.setDark(true), viewTest.setReduceMotion(true)
//
// Any warning from QML (a binding loop, an undefined property, a missing
// type) fails the run, whatever the test functions found.
#pragma once

#include <functional>

#include <QObject>
#include <QStringList>

class QQmlEngine;

namespace zephrane {
class ShellCommands;
namespace face {
class ScriptedEngineFace;
}

namespace testing {

class ViewTest : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* face READ faceObject CONSTANT)

public:
    ViewTest(face::ScriptedEngineFace& face, ShellCommands& shell, QObject* parent);

    face::ScriptedEngineFace& face() const { return face_; }
    ShellCommands& shell() const { return shell_; }

    // False (and a warning naming the known ones) for an unknown view or state.
    Q_INVOKABLE bool stage(const QString& view, const QString& state);
    Q_INVOKABLE QStringList commands() const;
    Q_INVOKABLE void clearCommands();
    Q_INVOKABLE void setDark(bool dark);
    Q_INVOKABLE void setReduceMotion(bool on);

private:
    QObject* faceObject() const;

    face::ScriptedEngineFace& face_;
    ShellCommands& shell_;
};

// What a module's runner adds to each test file's QML engine (context
// objects of its own), after `viewTest` is there.
using EngineExtras = std::function<void(QQmlEngine&, ViewTest&)>;

// Runs the tst_*.qml files of `sourceDir` as the test program `name`; exits
// non-zero when a test failed or QML warned.
int runViewQuickTests(int argc, char** argv, const char* name, const char* sourceDir, EngineExtras extras = {});

}  // namespace testing
}  // namespace zephrane
