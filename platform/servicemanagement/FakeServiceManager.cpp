#include "platform/servicemanagement/FakeServiceManager.hpp"

namespace zephrane::servicemanagement {

class FakeServiceManager::FakeService final : public Service {
public:
    explicit FakeService(FakeServiceManager& owner) : owner_(owner) {}
    Status status() override { return owner_.onStatus(); }
    std::optional<Error> registerService() override { return owner_.onRegister(); }
    void unregisterService(std::function<void(std::optional<Error>)> completion) override {
        owner_.onUnregister(std::move(completion));
    }

private:
    FakeServiceManager& owner_;
};

FakeServiceManager::~FakeServiceManager() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    for (auto& thread : threads) thread.join();
}

std::unique_ptr<Service> FakeServiceManager::daemonService(const std::string& plistName) {
    std::lock_guard lock(mutex_);
    plistNames_.push_back(plistName);
    return std::make_unique<FakeService>(*this);
}

void FakeServiceManager::setStatus(Status status) {
    std::lock_guard lock(mutex_);
    status_ = status;
}

Status FakeServiceManager::currentStatus() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void FakeServiceManager::setApproved(bool approved) {
    std::lock_guard lock(mutex_);
    approved_ = approved;
    if (approved && status_ == Status::requiresApproval) status_ = Status::enabled;
    if (!approved && status_ == Status::enabled) status_ = Status::requiresApproval;
}

void FakeServiceManager::scriptRegister(Step step) {
    std::lock_guard lock(mutex_);
    registerSteps_.push_back(std::move(step));
}

void FakeServiceManager::scriptUnregister(Step step) {
    std::lock_guard lock(mutex_);
    unregisterSteps_.push_back(std::move(step));
}

void FakeServiceManager::setCompletion(Completion completion) {
    std::lock_guard lock(mutex_);
    completion_ = completion;
}

int FakeServiceManager::completePendingUnregisters() {
    std::vector<std::function<void()>> held;
    {
        std::lock_guard lock(mutex_);
        held.swap(held_);
    }
    for (auto& job : held) job();
    return static_cast<int>(held.size());
}

Status FakeServiceManager::onStatus() {
    std::lock_guard lock(mutex_);
    ++statusCalls_;
    return status_;
}

std::optional<Error> FakeServiceManager::onRegister() {
    std::lock_guard lock(mutex_);
    ++registerCalls_;
    if (!registerSteps_.empty()) {
        Step step = std::move(registerSteps_.front());
        registerSteps_.pop_front();
        if (step.statusAfter) status_ = *step.statusAfter;
        return step.error;
    }
    status_ = approved_ ? Status::enabled : Status::requiresApproval;
    return std::nullopt;
}

void FakeServiceManager::onUnregister(std::function<void(std::optional<Error>)> completion) {
    std::optional<Error> result;
    Completion how;
    {
        std::lock_guard lock(mutex_);
        ++unregisterCalls_;
        if (!unregisterSteps_.empty()) {
            Step step = std::move(unregisterSteps_.front());
            unregisterSteps_.pop_front();
            if (step.statusAfter) status_ = *step.statusAfter;
            result = std::move(step.error);
        } else {
            status_ = Status::notRegistered;
        }
        how = completion_;
        if (how == Completion::manual) {
            held_.push_back([this, completion = std::move(completion), result] { complete(completion, result); });
            return;
        }
        if (how == Completion::otherThread) {
            threads_.emplace_back([this, completion = std::move(completion), result] { complete(completion, result); });
            return;
        }
    }
    complete(completion, result);
}

void FakeServiceManager::complete(const std::function<void(std::optional<Error>)>& completion,
                                  const std::optional<Error>& result) {
    {
        std::lock_guard lock(mutex_);
        ++completed_;
    }
    completion(result);
}

int FakeServiceManager::daemonServiceCalls() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(plistNames_.size());
}
int FakeServiceManager::statusCalls() const {
    std::lock_guard lock(mutex_);
    return statusCalls_;
}
int FakeServiceManager::registerCalls() const {
    std::lock_guard lock(mutex_);
    return registerCalls_;
}
int FakeServiceManager::unregisterCalls() const {
    std::lock_guard lock(mutex_);
    return unregisterCalls_;
}
int FakeServiceManager::completedUnregisters() const {
    std::lock_guard lock(mutex_);
    return completed_;
}
std::vector<std::string> FakeServiceManager::plistNames() const {
    std::lock_guard lock(mutex_);
    return plistNames_;
}

}  // namespace zephrane::servicemanagement
