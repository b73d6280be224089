// An object that C++ makes and owns and QML reaches as a singleton: whoever
// makes a QML engine provides the object to it before the first QML that
// uses it loads, and the singleton's create() hands it over. One object per
// QML engine, so tests and the gallery can run engines side by side.
#pragma once

#include <map>

#include <QJSEngine>
#include <QObject>
#include <QQmlEngine>

namespace zephrane::face {

template <class T>
class QmlProvided {
public:
    // Null withdraws it. An engine that goes forgets its object; an object
    // that goes first is forgotten by every engine it was provided to.
    static void provide(QQmlEngine& qml, T* object) {
        if (object == nullptr) {
            objects().erase(&qml);
            return;
        }
        objects()[&qml] = object;
        QObject::connect(&qml, &QObject::destroyed, object, [engine = &qml] { objects().erase(engine); });
        QObject::connect(object, &QObject::destroyed, &qml, [engine = &qml] { objects().erase(engine); });
    }

    // For the singleton's create(): the object provided to `qml`, which stays
    // C++'s own; null (and a warning naming `what`) when none was.
    static T* take(QQmlEngine* qml, const char* what) {
        const auto found = objects().find(qml);
        if (found == objects().end()) {
            qWarning("%s: nothing was provided to this QML engine", what);
            return nullptr;
        }
        QJSEngine::setObjectOwnership(found->second, QJSEngine::CppOwnership);
        return found->second;
    }

    // The object provided to `qml`, or null, without a word: for a caller
    // with a stand-in of its own.
    static T* find(const QQmlEngine* qml) {
        const auto found = objects().find(qml);
        return found == objects().end() ? nullptr : found->second;
    }

private:
    // GUI thread only, like the QML engines it is keyed by.
    static std::map<const QQmlEngine*, T*>& objects() {
        static auto* made = new std::map<const QQmlEngine*, T*>;
        return *made;
    }
};

}  // namespace zephrane::face
