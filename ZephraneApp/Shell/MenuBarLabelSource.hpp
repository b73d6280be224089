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

namespace face {
class ShellFace;
}

// The label the engine publishes, through the views' face: the engine's
// label model has already held text changes back and chosen the spin tier,
// so every change here is one redraw.
class FaceLabelSource final : public MenuBarLabelSource {
    Q_OBJECT
public:
    explicit FaceLabelSource(face::ShellFace& shell, QObject* parent = nullptr);
    StatusLabelState labelState() const override;

private:
    face::ShellFace& shell_;
};

}  // namespace zephrane
