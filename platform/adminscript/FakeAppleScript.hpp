// Administrator scripts for tests: sources are read by the real parser, and
// each execution is answered by a handler the test sets (by default: success)
// instead of a prompt and a root shell. Safe to use from a worker thread
// while the test thread inspects it.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "platform/adminscript/AppleScript.hpp"
#include "platform/adminscript/ShellScriptSource.hpp"

namespace zephrane::adminscript {

class FakeAppleScriptFactory final : public AppleScriptFactory {
public:
    // Gets the shell script that would run as root; no value means success.
    using Handler = std::function<std::optional<ErrorInfo>(const std::string& shellScript)>;

    void setHandler(Handler handler) {
        std::lock_guard lock(mutex_);
        handler_ = std::move(handler);
    }
    // Every source then fails to create a script, as one that does not
    // compile would.
    void refuseCreation() {
        std::lock_guard lock(mutex_);
        refuse_ = true;
    }
    std::vector<std::string> sources() const {
        std::lock_guard lock(mutex_);
        return sources_;
    }
    std::vector<std::string> executedScripts() const {
        std::lock_guard lock(mutex_);
        return executed_;
    }

    std::unique_ptr<AppleScript> create(std::string_view source) override {
        std::lock_guard lock(mutex_);
        sources_.emplace_back(source);
        auto script = shellScriptFromSource(source);
        if (refuse_ || !script) return nullptr;
        return std::make_unique<Script>(*this, std::move(*script));
    }

private:
    class Script final : public AppleScript {
    public:
        Script(FakeAppleScriptFactory& owner, std::string script) : owner_(owner), script_(std::move(script)) {}
        std::optional<ErrorInfo> execute() override {
            Handler handler;
            {
                std::lock_guard lock(owner_.mutex_);
                owner_.executed_.push_back(script_);
                handler = owner_.handler_;
            }
            return handler ? handler(script_) : std::nullopt;  // the handler may block: never under the lock
        }

    private:
        FakeAppleScriptFactory& owner_;
        std::string script_;
    };

    mutable std::mutex mutex_;
    Handler handler_;
    bool refuse_ = false;
    std::vector<std::string> sources_;
    std::vector<std::string> executed_;
};

}  // namespace zephrane::adminscript
