// The audio property reads on Linux, from ALSA's view in /proc/asound.
//
// Devices: every sound card with at least one capture PCM (a "pcm<N>c"
// folder) is one input device. Its id is kFirstCardDevice + the card number
// (card3 is 0x103), which keeps clear of 0 (no device) and 1 (the system
// object) and reads back to the card at a glance.
//
// Default input device: the capture card with the lowest number. Unless the
// user's ALSA configuration names another card, ALSA's "default" opens card
// 0, the lowest; a configuration file is not read here, so a user who moved
// the default elsewhere is judged by the lowest card.
//
// Running somewhere: a capture substream of the card whose status file
// ("pcm<N>c/sub<M>/status") has the line "state: RUNNING". A closed
// substream's file says "closed"; prepared, paused, stopped or overrun
// substreams are open but do not capture, so they do not count.
//
// No state is kept; every call reads the tree afresh, so it is safe on any
// thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio/AudioHardware.hpp"

namespace zephrane::audio {

class AlsaAudioHardware final : public AudioHardware {
public:
    static constexpr AudioObjectID kFirstCardDevice = 0x100;
    static constexpr int kMaximumCard = 0xFFFF;  // far beyond what the kernel numbers

    // `asoundRoot` lets tests point at a prepared tree.
    explicit AlsaAudioHardware(std::string asoundRoot = "/proc/asound");

    OSStatus getPropertyData(AudioObjectID object, const AudioObjectPropertyAddress& address,
                             std::uint32_t& ioDataSize, void* outData) const override;

    // Whether one status file's text says the substream is capturing.
    static bool statusSaysRunning(std::string_view status);

private:
    std::vector<int> captureCards() const;
    std::vector<std::string> capturePcmFolders(int card) const;
    bool anyCaptureRunning(int card) const;

    std::string root_;
};

}  // namespace zephrane::audio
