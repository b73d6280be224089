#include "ZephraneHelper/RestoreWriter.hpp"

#include <cstdio>

#include "smc/SMCError.hpp"

namespace zephrane::helper {

namespace {

std::string seconds(std::chrono::steady_clock::duration d) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::chrono::duration<double>(d).count());
    return text;
}

}  // namespace

RestoreWriter::RestoreWriter(Opener open, std::chrono::steady_clock::duration bound)
    : open_(std::move(open)), bound_(bound) {}

RestoreWriter::~RestoreWriter() {
    std::lock_guard lock(stuckLock_);
    for (auto& [key, stuck] : stuck_) stuck.thread.join();
}

void RestoreWriter::reapFinished() {
    for (auto it = stuck_.begin(); it != stuck_.end();) {
        bool done;
        {
            std::lock_guard lock(it->second.attempt->mutex);
            done = it->second.attempt->done;
        }
        if (!done) {
            ++it;
            continue;
        }
        it->second.thread.join();
        it = stuck_.erase(it);
    }
}

RestoreWriter::Outcome RestoreWriter::write(std::shared_ptr<SMCKernelBridge>& connection, const std::string& key,
                                            double value) {
    {
        std::lock_guard lock(stuckLock_);
        reapFinished();
        if (stuck_.count(key) >= kMaxStuckPerKey)
            return {std::to_string(kMaxStuckPerKey) + " earlier writes of it have not returned", false, true};
    }
    if (!connection) {
        try {
            connection = open_();
        } catch (const std::exception&) {
        }
        if (!connection) return {"no SMC connection could be opened", false, false};
    }

    auto attempt = std::make_shared<Attempt>();
    std::thread thread([attempt, bridge = connection, key, value] {
        Outcome outcome;
        try {
            bridge->write(key, value);
        } catch (const SMCError& e) {
            outcome.error = e.what();
            outcome.keyMissing = e.kind() == SMCError::Kind::keyNotFound;
        } catch (const std::exception& e) {
            outcome.error = e.what();
        }
        std::lock_guard lock(attempt->mutex);
        attempt->done = true;
        attempt->outcome = std::move(outcome);
        attempt->finished.notify_all();
    });
    std::unique_lock lock(attempt->mutex);
    if (attempt->finished.wait_for(lock, bound_, [&] { return attempt->done; })) {
        Outcome outcome = attempt->outcome;
        lock.unlock();
        thread.join();
        return outcome;
    }
    lock.unlock();
    {
        std::lock_guard stuckGuard(stuckLock_);
        stuck_.emplace(key, Stuck{attempt, std::move(thread)});
    }
    // The stuck exchange holds this connection; the next write goes through
    // another.
    connection.reset();
    try {
        connection = open_();
    } catch (const std::exception&) {
    }
    return {"no answer within " + seconds(bound_) + " s", false, true};
}

}  // namespace zephrane::helper
