#include "ZephraneHelper/HelperListener.hpp"

#include "platform/xpc/ContractInterface.hpp"
#include "shared/HelperConstants.hpp"
#include "shared/ZephraneXPCProtocol.hpp"

namespace zephrane::helper {
namespace {

namespace protocol = ZephraneXPCProtocol;

xpc::Value errorValue(const std::optional<HelperError>& error) {
    if (!error) return xpc::Value();
    return xpc::Error{error->domain, error->code, error->description};
}

std::optional<ClientId> currentClient() {
    if (auto id = xpc::Connection::current()) return ClientId{id->value};
    return std::nullopt;
}

// The IPC layer's reply is single-use and move-only; the service's callbacks
// are copyable, so they share it.
using SharedReply = std::shared_ptr<xpc::Reply>;
SharedReply share(xpc::Reply reply) { return std::make_shared<xpc::Reply>(std::move(reply)); }

}  // namespace

xpc::Interface HelperListener::exportedInterface() { return contractInterface(); }

xpc::ExportedObject HelperListener::exportedObject() {
    // Argument types are checked by the interface before these run, so the
    // accessors below always hold a value.
    std::weak_ptr<HelperService> weak = service_;
    xpc::ExportedObject object;
    object[std::string(protocol::setTargetRPM.selector)] = [weak](xpc::Values args, xpc::Reply reply) {
        auto service = weak.lock();
        if (!service) return;
        service->setTargetRPM(currentClient(), *args[0].int64(), *args[1].float64(),
                              [r = share(std::move(reply))](double rpm, std::optional<HelperError> error) {
                                  (*r)({xpc::Value(rpm), errorValue(error)});
                              });
    };
    object[std::string(protocol::setManualControl.selector)] = [weak](xpc::Values args, xpc::Reply reply) {
        auto service = weak.lock();
        if (!service) return;
        service->setManualControl(currentClient(), *args[0].int64(), *args[1].boolean(),
                                  [r = share(std::move(reply))](std::optional<HelperError> error) {
                                      (*r)({errorValue(error)});
                                  });
    };
    object[std::string(protocol::restoreAutomaticControl.selector)] = [weak](xpc::Values, xpc::Reply reply) {
        auto service = weak.lock();
        if (!service) return;
        service->restoreAutomaticControl(
            [r = share(std::move(reply))](std::optional<HelperError> error) { (*r)({errorValue(error)}); });
    };
    object[std::string(protocol::heartbeat.selector)] = [weak](xpc::Values, xpc::Reply reply) {
        auto service = weak.lock();
        if (!service) return;
        service->heartbeat(currentClient(),
                           [r = share(std::move(reply))](double uptime) { (*r)({xpc::Value(uptime)}); });
    };
    object[std::string(protocol::helperVersion.selector)] = [](xpc::Values, xpc::Reply reply) {
        reply({xpc::Value(HelperService::helperVersion())});
    };
    return object;
}

bool HelperListener::shouldAcceptNewConnection(const std::shared_ptr<xpc::Connection>& connection) {
    connection->setCodeSigningRequirement(HelperConstants::clientRequirement());
    connection->setExportedInterface(exportedInterface());
    connection->setExportedObject(exportedObject());
    // Holds the service weakly and the connection not at all: only its id.
    auto ended = [weak = std::weak_ptr<HelperService>(service_), id = ClientId{connection->id().value}] {
        if (auto service = weak.lock()) service->clientDisconnected(id);
    };
    connection->setInvalidationHandler(ended);
    connection->setInterruptionHandler(ended);
    connection->resume();
    return true;
}

}  // namespace zephrane::helper
