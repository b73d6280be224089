#include "platform/audio/AlsaAudioHardware.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/proc/SmallFile.hpp"

namespace zephrane::audio {
namespace {

// The number after `prefix` and before `suffix`, when `name` is exactly
// that: "card12" → 12, "pcm0c" → 0; "cardX", "card-1" and "pcm0p" are not.
std::optional<int> numberedName(std::string_view name, std::string_view prefix, std::string_view suffix,
                                int maximum) {
    if (!name.starts_with(prefix) || !name.ends_with(suffix)) return std::nullopt;
    if (name.size() <= prefix.size() + suffix.size()) return std::nullopt;
    const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size() || value < 0 || value > maximum)
        return std::nullopt;
    return value;
}

std::vector<std::string> entryNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kSpace);
    return text.substr(first, last - first + 1);
}

void putUInt32(std::uint32_t value, std::uint32_t& ioDataSize, void* outData) {
    std::memcpy(outData, &value, sizeof value);
    ioDataSize = sizeof value;
}

}  // namespace

AlsaAudioHardware::AlsaAudioHardware(std::string asoundRoot) : root_(std::move(asoundRoot)) {}

bool AlsaAudioHardware::statusSaysRunning(std::string_view status) {
    while (!status.empty()) {
        const auto end = status.find('\n');
        const std::string_view line = status.substr(0, end);
        status = end == std::string_view::npos ? std::string_view{} : status.substr(end + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || trimmed(line.substr(0, colon)) != "state") continue;
        return trimmed(line.substr(colon + 1)) == "RUNNING";
    }
    return false;
}

std::vector<std::string> AlsaAudioHardware::capturePcmFolders(int card) const {
    const std::string cardFolder = root_ + "/card" + std::to_string(card);
    std::vector<std::string> folders;
    for (const auto& name : entryNames(cardFolder))
        if (numberedName(name, "pcm", "c", kMaximumCard)) folders.push_back(cardFolder + "/" + name);
    return folders;
}

std::vector<int> AlsaAudioHardware::captureCards() const {
    std::vector<int> cards;
    for (const auto& name : entryNames(root_)) {
        const auto card = numberedName(name, "card", "", kMaximumCard);
        if (card && !capturePcmFolders(*card).empty()) cards.push_back(*card);
    }
    std::sort(cards.begin(), cards.end());
    return cards;
}

bool AlsaAudioHardware::anyCaptureRunning(int card) const {
    for (const auto& pcm : capturePcmFolders(card)) {
        for (const auto& name : entryNames(pcm)) {
            if (!numberedName(name, "sub", "", kMaximumCard)) continue;
            // A substream closing between the listing and the read has
            // simply stopped capturing.
            // Status files are a few lines; anything longer is not one.
            const auto status = proc::readSmallFile(pcm + "/" + name + "/status", {.maxBytes = 4096});
            if (status && statusSaysRunning(*status)) return true;
        }
    }
    return false;
}

OSStatus AlsaAudioHardware::getPropertyData(AudioObjectID object, const AudioObjectPropertyAddress& address,
                                            std::uint32_t& ioDataSize, void* outData) const {
    const bool isSystem = object == kAudioObjectSystemObject;
    int card = -1;
    if (!isSystem) {
        if (object < kFirstCardDevice || object - kFirstCardDevice > static_cast<AudioObjectID>(kMaximumCard))
            return kAudioHardwareBadObjectError;
        card = static_cast<int>(object - kFirstCardDevice);
        // A card that went away, or never had a capture side, is no device.
        if (capturePcmFolders(card).empty()) return kAudioHardwareBadObjectError;
    }

    const AudioObjectPropertySelector wanted =
        isSystem ? kAudioHardwarePropertyDefaultInputDevice : kAudioDevicePropertyDeviceIsRunningSomewhere;
    if (address.selector != wanted || address.scope != kAudioObjectPropertyScopeGlobal ||
        address.element != kAudioObjectPropertyElementMain)
        return kAudioHardwareUnknownPropertyError;
    if (outData == nullptr || ioDataSize < sizeof(std::uint32_t)) return kAudioHardwareBadPropertySizeError;

    if (isSystem) {
        const auto cards = captureCards();
        putUInt32(cards.empty() ? kAudioObjectUnknown : kFirstCardDevice + static_cast<AudioObjectID>(cards.front()),
                  ioDataSize, outData);
    } else {
        putUInt32(anyCaptureRunning(card) ? 1 : 0, ioDataSize, outData);
    }
    return kAudioHardwareNoError;
}

}  // namespace zephrane::audio
