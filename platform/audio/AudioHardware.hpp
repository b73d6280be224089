// The two audio-system property reads the microphone monitor makes, in the
// shape of the platform's property interface: an object id, a property
// address (selector, scope, element), a data size that is checked and
// updated, and a status code, 0 for success. On Linux the capture side of
// ALSA stands in (AlsaAudioHardware); tests use FakeAudioHardware.
//
// Implementations must be safe to call from any thread at once: the monitor
// that uses them has no lock.
#pragma once

#include <cstdint>
#include <string_view>

namespace zephrane::audio {

using AudioObjectID = std::uint32_t;
using AudioObjectPropertySelector = std::uint32_t;
using AudioObjectPropertyScope = std::uint32_t;
using AudioObjectPropertyElement = std::uint32_t;
using OSStatus = std::int32_t;

// The four characters packed first-in-most-significant, as the platform
// writes its codes.
constexpr std::uint32_t fourCharCode(std::string_view text) {
    std::uint32_t value = 0;
    for (const char c : text.substr(0, 4)) value = (value << 8) | static_cast<unsigned char>(c);
    return value;
}

struct AudioObjectPropertyAddress {
    AudioObjectPropertySelector selector = 0;
    AudioObjectPropertyScope scope = 0;
    AudioObjectPropertyElement element = 0;
};

inline constexpr AudioObjectID kAudioObjectUnknown = 0;
inline constexpr AudioObjectID kAudioObjectSystemObject = 1;

inline constexpr AudioObjectPropertySelector kAudioHardwarePropertyDefaultInputDevice = fourCharCode("dIn ");
inline constexpr AudioObjectPropertySelector kAudioDevicePropertyDeviceIsRunningSomewhere = fourCharCode("gone");
inline constexpr AudioObjectPropertyScope kAudioObjectPropertyScopeGlobal = fourCharCode("glob");
inline constexpr AudioObjectPropertyElement kAudioObjectPropertyElementMain = 0;

inline constexpr OSStatus kAudioHardwareNoError = 0;
inline constexpr OSStatus kAudioHardwareUnspecifiedError = static_cast<OSStatus>(fourCharCode("what"));
inline constexpr OSStatus kAudioHardwareUnknownPropertyError = static_cast<OSStatus>(fourCharCode("who?"));
inline constexpr OSStatus kAudioHardwareBadPropertySizeError = static_cast<OSStatus>(fourCharCode("!siz"));
inline constexpr OSStatus kAudioHardwareBadObjectError = static_cast<OSStatus>(fourCharCode("!obj"));

class AudioHardware {
public:
    virtual ~AudioHardware() = default;

    // Reads one property of one object into `outData`. `ioDataSize` says how
    // many bytes `outData` holds and, on success, how many were written.
    // Both properties here are 32-bit values: a smaller buffer fails with
    // kAudioHardwareBadPropertySizeError and writes nothing.
    virtual OSStatus getPropertyData(AudioObjectID object, const AudioObjectPropertyAddress& address,
                                     std::uint32_t& ioDataSize, void* outData) const = 0;
};

}  // namespace zephrane::audio
