#include "platform/iokit/IORegistryLinux.hpp"

#include <unistd.h>

#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "platform/iokit/SocketPaths.hpp"

namespace zephrane::iokit {

SocketIORegistry::SocketIORegistry(std::string socketPath, std::chrono::milliseconds timeout)
    : connection_(std::move(socketPath), timeout) {}

std::shared_ptr<const AnswerMapping> SocketIORegistry::answers() const {
    std::lock_guard lock(answersMutex_);
    if (answers_ && (answers_->retired() || (answersGone_ && answersGone_->load(std::memory_order_acquire)))) {
        // A simulator that went away: its successor may share its own.
        answers_.reset();
        answersGone_.reset();
        askForAnswers_ = true;
    }
    if (!answers_ && askForAnswers_) {
        askForAnswers_ = false;
        int descriptor = -1;
        const std::uint8_t request[] = {wire::kOpShareRegistry};
        // An older simulator closes the connection at the question: the
        // next exchange opens a new one, and nothing is asked again.
        if (connection_.exchange(request, wire::kMaxPayload, &descriptor) && descriptor >= 0) {
            try {
                answers_ = std::make_shared<const AnswerMapping>(descriptor);
                answersGone_ = connection_.hangUp();
            } catch (const AnswerMappingError&) {
            }
        }
        if (descriptor >= 0) ::close(descriptor);
    }
    return answers_;
}

std::optional<nlohmann::json> SocketIORegistry::exchange(std::uint8_t operation, std::string_view argument) const {
    if (argument.size() >= wire::kMaxPayload) return std::nullopt;
    if (const auto shared = answers())
        if (auto answered = shared->answer(operation, argument)) return answered;
    std::vector<std::uint8_t> request{operation};
    request.insert(request.end(), argument.begin(), argument.end());
    const auto answer = connection_.exchange(request, wire::kMaxPayload);
    if (!answer) return std::nullopt;
    nlohmann::json value = nlohmann::json::parse(answer->begin(), answer->end(), nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

std::vector<RegistryProperties> SocketIORegistry::matchingServices(std::string_view className) {
    std::optional<nlohmann::json> answer = exchange(wire::kOpMatchingServices, className);
    std::vector<RegistryProperties> services;
    if (!answer || !answer->is_array()) return services;
    for (auto& service : *answer)
        if (service.is_object()) services.push_back(std::move(service));
    return services;
}

std::optional<RegistryProperties> SocketIORegistry::entryAtPath(std::string_view path) {
    std::optional<nlohmann::json> answer = exchange(wire::kOpEntryAtPath, path);
    if (!answer || !answer->is_object()) return std::nullopt;
    return answer;
}

std::optional<std::string> SocketIORegistry::providingPowerSourceType() {
    std::optional<nlohmann::json> answer = exchange(wire::kOpPowerSourceType, {});
    if (!answer || !answer->is_string()) return std::nullopt;
    return answer->get<std::string>();
}

// Passed on as the machine gave it, dictionary or not: judging the shape is
// the caller's business, as it is with the real call.
std::optional<nlohmann::json> SocketIORegistry::externalPowerAdapterDetails() {
    std::optional<nlohmann::json> answer = exchange(wire::kOpAdapterDetails, {});
    if (!answer || answer->is_null()) return std::nullopt;
    return answer;
}

std::unique_ptr<IORegistry> IORegistryCreate() {
    return std::make_unique<SocketIORegistry>(registrySocketPath());
}

}  // namespace zephrane::iokit
