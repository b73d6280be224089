// A /proc/asound tree made of plain files: cards with playback and capture
// PCMs whose substream status files say what the test wants.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace zephrane::audio::testing {

inline constexpr const char* kRunning =
    "state: RUNNING\nowner_pid   : 4242\ntrigger_time: 1000.000000000\ntstamp      : 1001.0\n"
    "delay       : 96\navail       : 96\navail_max   : 1024\n-----\nhw_ptr      : 48000\nappl_ptr    : 47904\n";
inline constexpr const char* kPrepared = "state: PREPARED\nowner_pid   : 4242\n";
inline constexpr const char* kClosed = "closed\n";

class AsoundFixture {
public:
    explicit AsoundFixture(const std::string& tag)
        : root_(std::filesystem::temp_directory_path() /
                ("zephrane-asound-" + tag + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    ~AsoundFixture() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    AsoundFixture(const AsoundFixture&) = delete;
    AsoundFixture& operator=(const AsoundFixture&) = delete;

    // `pcm` is the folder name, e.g. "pcm0c" (capture) or "pcm0p" (playback).
    // The text goes in place by rename, as the kernel's files never show half
    // a status.
    void setStatus(int card, const std::string& pcm, int sub, const std::string& text) {
        const auto dir = root_ / ("card" + std::to_string(card)) / pcm / ("sub" + std::to_string(sub));
        std::filesystem::create_directories(dir);
        const auto temporary = dir / "status.new";
        std::ofstream(temporary) << text;
        std::filesystem::rename(temporary, dir / "status");
    }
    void removeCard(int card) { std::filesystem::remove_all(root_ / ("card" + std::to_string(card))); }

    const std::filesystem::path& root() const { return root_; }
    std::string rootText() const { return root_.string(); }

private:
    std::filesystem::path root_;
};

}  // namespace zephrane::audio::testing
