// What the floating panel gives the view it hosts: a way to open the main
// window and a way to close the panel. A view shown anywhere else (the
// panel preview, the gallery) has none and manages without.
//
// Each action is a signal the host connects to; in QML the bridge is the
// panel content's initial property `panelBridge`.
#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace zephrane {

class MenuBarPanelBridge : public QObject {
    Q_OBJECT
    QML_ELEMENT

public:
    explicit MenuBarPanelBridge(QObject* parent = nullptr) : QObject(parent) {}

    Q_INVOKABLE void openMainWindow() { emit openMainWindowRequested(); }
    Q_INVOKABLE void closePanel() { emit closePanelRequested(); }

signals:
    void openMainWindowRequested();
    void closePanelRequested();
};

}  // namespace zephrane
