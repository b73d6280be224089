// Where the tray item gets its label: the engine's published menu-bar
// label, behind an interface so the item runs on a fake in tests and on
// whatever the engine publishes in the app.
#pragma once

#include <QObject>

#include "ZephraneApp/Shell/StatusItemModel.hpp"

namespace zephrane {

class MenuBarLabelSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual StatusLabelState labelState() const = 0;

signals:
    void labelStateChanged();
};

class ZephraneEngine;

// The label the engine publishes: its model has already held text changes
// back and chosen the spin tier, so every change here is one redraw.
class EngineLabelSource final : public MenuBarLabelSource {
    Q_OBJECT
public:
    explicit EngineLabelSource(ZephraneEngine& engine, QObject* parent = nullptr);
    StatusLabelState labelState() const override;

private:
    ZephraneEngine& engine_;
};

}  // namespace zephrane
