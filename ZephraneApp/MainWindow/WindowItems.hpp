// Two invisible items the main window's content carries to reach the window
// that shows it. FloatingWindowConfigurator makes that window float above
// ordinary windows and show on every desktop, each time it is shown (the
// window manager forgets a hidden window's desktop). WindowVisibilityObserver
// tells the engine, through the face, whether the window can be seen: at
// once when it comes into a window, on every change of its exposure, its
// minimised state or the desktops, and "visible" when it goes, so the engine
// is never left believing a torn-down window hidden.
#pragma once

#include <QMetaObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/ShellFace.hpp"

namespace zephrane::mainwindow {

class WindowSpaces;

class FloatingWindowConfigurator : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT

public:
    explicit FloatingWindowConfigurator(QQuickItem* parent = nullptr);

protected:
    void itemChange(ItemChange change, const ItemChangeData& value) override;

private:
    void configure();

    QPointer<QQuickWindow> window_;
    QMetaObject::Connection shown_;
};

class WindowVisibilityObserver : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT
    // Where the reports go (Face.shell).
    Q_PROPERTY(zephrane::face::ShellFace* shell READ shell WRITE setShell NOTIFY shellChanged)

public:
    explicit WindowVisibilityObserver(QQuickItem* parent = nullptr);
    ~WindowVisibilityObserver() override;

    face::ShellFace* shell() const { return shell_; }
    void setShell(face::ShellFace* shell);

    // What was last reported; for tests.
    bool lastReport() const { return lastReport_; }

signals:
    void shellChanged();

protected:
    void itemChange(ItemChange change, const ItemChangeData& value) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void observe(QQuickWindow* window);
    void report();
    WindowSpaces& spaces();

    QPointer<face::ShellFace> shell_;
    QPointer<QQuickWindow> window_;
    QMetaObject::Connection visibility_;
    QMetaObject::Connection desktops_;
    bool lastReport_ = true;
};

}  // namespace zephrane::mainwindow
