// What the backdrop tests share: waiting for a condition while the event
// loop runs, a throw-away resource bundle, and a decoder the test holds in
// its hand (it blocks every decode until released and records where and
// for what size it ran).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include "ZephraneApp/DesignSystem/Backdrops/HeifPhotoDecoder.hpp"

namespace zephrane::testing {

// Runs the event loop until `condition` holds; false after 10 s.
inline bool waitUntil(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(std::chrono::seconds(10));
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// A bundle folder in a fresh temporary directory, removed afterwards.
class TemporaryBundle {
public:
    TemporaryBundle() {
        std::string pattern = (std::filesystem::temp_directory_path() / "backdrops-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        bundle_ = root_ / "Zephrane_ZephraneApp.bundle";
        std::filesystem::create_directories(bundle_ / "Photos");
    }
    ~TemporaryBundle() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TemporaryBundle(const TemporaryBundle&) = delete;
    TemporaryBundle& operator=(const TemporaryBundle&) = delete;

    const std::filesystem::path& root() const { return root_; }
    const std::filesystem::path& path() const { return bundle_; }
    // Writes `bytes` to a file inside the bundle ("Photos/x.heic", "x.heic").
    std::filesystem::path write(const std::string& relative, const std::string& bytes = "photo") const {
        const auto file = bundle_ / relative;
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

private:
    std::filesystem::path root_;
    std::filesystem::path bundle_;
};

class GatedDecoder final : public BackdropPhotoDecoder {
public:
    struct Call {
        std::filesystem::path file;
        int maxPixelSize;
        bool onGuiThread;
    };

    ~GatedDecoder() override { releaseAll(); }

    DecodedPhoto decode(const std::filesystem::path& file, int maxPixelSize) const override {
        std::unique_lock lock(mutex_);
        const bool onGui = QCoreApplication::instance() != nullptr &&
                           QThread::currentThread() == QCoreApplication::instance()->thread();
        calls_.push_back({file, maxPixelSize, onGui});
        const std::size_t index = calls_.size() - 1;
        released_.wait(lock, [&] { return open_ || releasedCalls_.contains(index); });
        if (failing_.contains(file.filename().string())) return {{}, "damaged on purpose"};
        QImage image(maxPixelSize, maxPixelSize * 5 / 8, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return {image, {}};
    }

    // Lets decode number `index` (in call order) finish.
    void release(std::size_t index) {
        std::lock_guard lock(mutex_);
        releasedCalls_.insert(index);
        released_.notify_all();
    }
    // From now on nothing waits.
    void releaseAll() {
        std::lock_guard lock(mutex_);
        open_ = true;
        released_.notify_all();
    }
    // Decodes of files with this name fail.
    void fail(const std::string& fileName) {
        std::lock_guard lock(mutex_);
        failing_.insert(fileName);
    }
    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::size_t callCount() const { return calls().size(); }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable released_;
    mutable std::vector<Call> calls_;
    std::set<std::size_t> releasedCalls_;
    std::set<std::string> failing_;
    bool open_ = false;
};

}  // namespace zephrane::testing
