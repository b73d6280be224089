// Admits the app's connections to the daemon: every connection must carry
// the app's code identity (checked before any message is read), gets the
// five operations of the contract wired to the service, and reports its end
// so the service can fail safe when the controlling app goes away.
#pragma once

#include <memory>

#include "ZephraneHelper/HelperService.hpp"
#include "platform/xpc/Connection.hpp"
#include "platform/xpc/Interface.hpp"
#include "platform/xpc/Listener.hpp"

namespace zephrane::helper {

class HelperListener final : public xpc::ListenerDelegate {
public:
    explicit HelperListener(std::shared_ptr<HelperService> service) : service_(std::move(service)) {}

    bool shouldAcceptNewConnection(const std::shared_ptr<xpc::Connection>& connection) override;

    // The contract as the IPC layer checks it: every request's argument
    // types are verified before a handler runs.
    static xpc::Interface exportedInterface();

private:
    xpc::ExportedObject exportedObject();

    std::shared_ptr<HelperService> service_;
};

}  // namespace zephrane::helper
