#include "ZephraneApp/MainWindow/WindowSpaces.hpp"

#include <QCoreApplication>

#include "ZephraneApp/Face/QmlProvided.hpp"

namespace zephrane::mainwindow {

WindowSpaces::WindowSpaces(std::unique_ptr<spaces::Spaces> spaces, QObject* parent)
    : QObject(parent), spaces_(std::move(spaces)) {
    spaces_->setChangeHandler([this] { emit desktopsChanged(); });
}

void WindowSpaces::provide(QQmlEngine& qml, WindowSpaces* spaces) { face::QmlProvided<WindowSpaces>::provide(qml, spaces); }

WindowSpaces& WindowSpaces::of(QQmlEngine* qml) {
    if (WindowSpaces* provided = face::QmlProvided<WindowSpaces>::find(qml)) return *provided;
    // The application's for its whole life, like the X connection it reads.
    static auto* own = new WindowSpaces(spaces::makeSpaces(), QCoreApplication::instance());
    return *own;
}

}  // namespace zephrane::mainwindow
