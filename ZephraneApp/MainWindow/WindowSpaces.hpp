// The desktops (Spaces) a QML engine's windows are placed on and watched
// in: the one provided to the engine (tests give a fake), else the
// process's own over its window system. It fans the desktop changes out to
// every window item that listens.
#pragma once

#include <memory>

#include <QObject>

#include "platform/spaces/Spaces.hpp"

class QQmlEngine;

namespace zephrane::mainwindow {

class WindowSpaces final : public QObject {
    Q_OBJECT

public:
    // Takes over `spaces`' change handler.
    explicit WindowSpaces(std::unique_ptr<spaces::Spaces> spaces, QObject* parent = nullptr);

    spaces::Spaces& spaces() { return *spaces_; }

    static void provide(QQmlEngine& qml, WindowSpaces* spaces);
    // What `qml` was given, else the process's own, made on first use.
    static WindowSpaces& of(QQmlEngine* qml);

signals:
    void desktopsChanged();

private:
    std::unique_ptr<spaces::Spaces> spaces_;
};

}  // namespace zephrane::mainwindow
