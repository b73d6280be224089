#include "ZephraneApp/Gallery/QmlWarnings.hpp"

#include <mutex>

#include <QtGlobal>

namespace zephrane::gallery {
namespace {

std::mutex caughtMutex;
QStringList caught;
QtMessageHandler previousHandler = nullptr;

void catchQmlWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QString category = QString::fromLatin1(context.category != nullptr ? context.category : "");
    const bool fromQml = category.startsWith("qml") || category.startsWith("qt.qml") || category == "js" ||
                         message.contains("qrc:/") || message.contains(".qml:");
    if (type != QtDebugMsg && type != QtInfoMsg && fromQml) {
        std::lock_guard lock(caughtMutex);
        caught << message;
    }
    if (previousHandler != nullptr) previousHandler(type, context, message);
}

}  // namespace

void watchQmlWarnings() {
    const QtMessageHandler current = qInstallMessageHandler(catchQmlWarnings);
    if (current != catchQmlWarnings) previousHandler = current;
}

QStringList qmlWarnings() {
    std::lock_guard lock(caughtMutex);
    return caught;
}

}  // namespace zephrane::gallery
