#include "platform/notifications/DBusNotificationCenter.hpp"

#include <utility>

#include <QCoroDBusPendingReply>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include "platform/codesign/CodeSigning.hpp"

namespace zephrane::notifications {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

std::string describe(const QDBusError& error) {
    return error.message().isEmpty() ? error.name().toStdString() : error.message().toStdString();
}

}  // namespace

DBusNotificationCenter::DBusNotificationCenter(QDBusConnection bus, std::optional<std::string> applicationIdentifier,
                                               QString appName)
    : bus_(std::move(bus)), applicationIdentifier_(std::move(applicationIdentifier)), appName_(std::move(appName)) {}

std::optional<std::string> DBusNotificationCenter::runningApplicationIdentifier() {
    const auto identity = codesign::readEmbeddedIdentity("/proc/self/exe");
    if (!identity) return std::nullopt;
    return identity->identifier;
}

QCoro::Task<AuthorizationResult> DBusNotificationCenter::requestAuthorization() {
    if (!bus_.isConnected()) co_return AuthorizationResult{false, describe(bus_.lastError())};

    auto owner = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, QStringLiteral("NameHasOwner"));
    owner << kService;
    const QDBusPendingReply<bool> hasOwner = co_await QDBusPendingReply<bool>(bus_.asyncCall(owner));
    if (hasOwner.isError()) co_return AuthorizationResult{false, describe(hasOwner.error())};
    if (hasOwner.value()) co_return AuthorizationResult{true, std::nullopt};

    // No server running yet, but one may be started on first use.
    const auto activatable =
        QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, QStringLiteral("ListActivatableNames"));
    const QDBusPendingReply<QStringList> names = co_await QDBusPendingReply<QStringList>(bus_.asyncCall(activatable));
    if (names.isError()) co_return AuthorizationResult{false, describe(names.error())};
    co_return AuthorizationResult{names.value().contains(kService), std::nullopt};
}

QCoro::Task<std::optional<std::string>> DBusNotificationCenter::add(NotificationRequest request) {
    if (!bus_.isConnected()) co_return describe(bus_.lastError());

    QVariantMap hints;
    if (request.defaultSound) hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    auto notify = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    notify << appName_ << 0u << QString() << QString::fromStdString(request.title)
           << QString::fromStdString(request.body) << QStringList() << hints << -1;
    const QDBusPendingReply<uint> reply = co_await QDBusPendingReply<uint>(bus_.asyncCall(notify));
    if (reply.isError()) co_return describe(reply.error());
    co_return std::nullopt;
}

}  // namespace zephrane::notifications
