#include "platform/xpc/CodeSignValidator.hpp"

namespace zephrane::xpc {

PeerValidator codeSignValidator(codesign::TrustPolicy policy) {
    return [policy](int socketFd, const std::string& requirementText) -> std::optional<std::string> {
        try {
            return codesign::checkPeer(socketFd, codesign::Requirement::parse(requirementText), policy);
        } catch (const codesign::RequirementError& e) {
            return std::string("requirement cannot be parsed: ") + e.what();
        }
    };
}

}  // namespace zephrane::xpc
