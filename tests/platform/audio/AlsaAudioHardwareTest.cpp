#include "platform/audio/AlsaAudioHardware.hpp"

#include <functional>

#include <gtest/gtest.h>

#include "tests/platform/audio/AsoundFixture.hpp"

namespace zephrane::audio {
namespace {

using testing::AsoundFixture;
using testing::kClosed;
using testing::kPrepared;
using testing::kRunning;

constexpr AudioObjectPropertyAddress kDefaultInput{kAudioHardwarePropertyDefaultInputDevice,
                                                   kAudioObjectPropertyScopeGlobal, kAudioObjectPropertyElementMain};
constexpr AudioObjectPropertyAddress kRunningSomewhere{kAudioDevicePropertyDeviceIsRunningSomewhere,
                                                       kAudioObjectPropertyScopeGlobal,
                                                       kAudioObjectPropertyElementMain};
constexpr std::uint32_t kUntouched = 0xDEADBEEF;

struct Read {
    OSStatus status;
    std::uint32_t value;
    std::uint32_t size;
    friend bool operator==(const Read&, const Read&) = default;
};
std::ostream& operator<<(std::ostream& out, const Read& read) {
    return out << "{status " << read.status << ", value " << read.value << ", size " << read.size << "}";
}

Read read(const AudioHardware& hardware, AudioObjectID object, const AudioObjectPropertyAddress& address,
          std::uint32_t size = 4) {
    std::uint32_t value = kUntouched;
    const OSStatus status = hardware.getPropertyData(object, address, size, &value);
    return {status, value, size};
}

TEST(AlsaAudioHardwareTest, DefaultInputIsTheLowestCaptureCardAndRunsWhenASubstreamCaptures) {
    struct Case {
        const char* edge;
        std::function<void(AsoundFixture&)> build;
        AudioObjectID defaultDevice;
        std::uint32_t running;  // of the default device, when there is one
    };
    const Case cases[] = {
        {"no cards", [](AsoundFixture&) {}, kAudioObjectUnknown, 0},
        {"a card with playback only",
         [](AsoundFixture& f) { f.setStatus(0, "pcm0p", 0, kRunning); }, kAudioObjectUnknown, 0},
        {"capture closed", [](AsoundFixture& f) { f.setStatus(0, "pcm0c", 0, kClosed); }, 0x100, 0},
        {"capture open but prepared, not running",
         [](AsoundFixture& f) { f.setStatus(0, "pcm0c", 0, kPrepared); }, 0x100, 0},
        {"running on one of several substreams",
         [](AsoundFixture& f) {
             f.setStatus(0, "pcm0c", 0, kClosed);
             f.setStatus(0, "pcm0c", 1, kClosed);
             f.setStatus(0, "pcm0c", 2, kRunning);
         },
         0x100, 1},
        {"running on a second capture PCM of the card",
         [](AsoundFixture& f) {
             f.setStatus(0, "pcm0c", 0, kClosed);
             f.setStatus(0, "pcm2c", 0, kRunning);
         },
         0x100, 1},
        {"playback running does not count",
         [](AsoundFixture& f) {
             f.setStatus(0, "pcm0p", 0, kRunning);
             f.setStatus(0, "pcm0c", 0, kClosed);
         },
         0x100, 0},
        {"the first card without capture is skipped",
         [](AsoundFixture& f) {
             f.setStatus(0, "pcm3p", 0, kRunning);
             f.setStatus(2, "pcm0c", 0, kRunning);
             f.setStatus(1, "pcm0c", 0, kClosed);
         },
         0x101, 0},
        {"another card capturing is not the default device",
         [](AsoundFixture& f) {
             f.setStatus(0, "pcm0c", 0, kClosed);
             f.setStatus(1, "pcm0c", 0, kRunning);
         },
         0x100, 0},
        {"two-digit card numbers",
         [](AsoundFixture& f) {
             f.setStatus(10, "pcm0c", 0, kRunning);
             f.setStatus(9, "pcm0c", 0, kClosed);
         },
         0x109, 0},
        {"garbage status file",
         [](AsoundFixture& f) { f.setStatus(0, "pcm0c", 0, std::string("\x01\xffstate RUNNING\0RUNNING", 23)); },
         0x100, 0},
        {"empty status file", [](AsoundFixture& f) { f.setStatus(0, "pcm0c", 0, ""); }, 0x100, 0},
        {"a substream folder without a status file",
         [](AsoundFixture& f) {
             std::filesystem::create_directories(f.root() / "card0" / "pcm0c" / "sub0");
         },
         0x100, 0},
        {"names that only look like cards, PCMs and substreams",
         [](AsoundFixture& f) {
             f.setStatus(0, "pcm0c", 0, kClosed);
             f.setStatus(0, "pcmXc", 0, kRunning);
             f.setStatus(0, "pcm0c", 0, kClosed);
             std::filesystem::create_directories(f.root() / "card0" / "pcm0c" / "subX");
             std::ofstream(f.root() / "card0" / "pcm0c" / "subX" / "status") << kRunning;
             std::filesystem::create_directory_symlink("card0", f.root() / "PCH");
             std::filesystem::create_directories(f.root() / "card-1" / "pcm0c" / "sub0");
             std::filesystem::create_directories(f.root() / "cardZ" / "pcm0c" / "sub0");
         },
         0x100, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        AsoundFixture tree("cases");
        c.build(tree);
        const AlsaAudioHardware hardware(tree.rootText());
        ASSERT_EQ(read(hardware, kAudioObjectSystemObject, kDefaultInput), (Read{kAudioHardwareNoError, c.defaultDevice, 4}));
        if (c.defaultDevice != kAudioObjectUnknown) {
            EXPECT_EQ(read(hardware, c.defaultDevice, kRunningSomewhere), (Read{kAudioHardwareNoError, c.running, 4}));
        }
    }
}

TEST(AlsaAudioHardwareTest, StatusTextIsRunningOnlyWithARunningStateLine) {
    const struct {
        const char* edge;
        const char* text;
        bool running;
    } cases[] = {
        {"the kernel's running status", kRunning, true},
        {"spacing and a carriage return", "  state :\tRUNNING \r\nowner_pid: 1\n", true},
        {"no newline at the end", "state: RUNNING", true},
        {"prepared", kPrepared, false},
        {"paused", "state: PAUSED\n", false},
        {"overrun", "state: XRUN\n", false},
        {"closed", kClosed, false},
        {"lower case", "state: running\n", false},
        {"running only in another line", "owner_pid: RUNNING\nstate: SETUP\n", false},
        {"the first state line decides", "state: SETUP\nstate: RUNNING\n", false},
        {"empty", "", false},
    };
    for (const auto& c : cases) EXPECT_EQ(AlsaAudioHardware::statusSaysRunning(c.text), c.running) << c.edge;
}

TEST(AlsaAudioHardwareTest, RejectsUnknownObjectsPropertiesAndShortBuffersWithoutWriting) {
    AsoundFixture tree("errors");
    tree.setStatus(0, "pcm0c", 0, kRunning);
    tree.setStatus(1, "pcm0p", 0, kRunning);
    const AlsaAudioHardware hardware(tree.rootText());
    const AudioObjectPropertyAddress inputScope{kAudioHardwarePropertyDefaultInputDevice, fourCharCode("inpt"), 0};
    const AudioObjectPropertyAddress elementOne{kAudioDevicePropertyDeviceIsRunningSomewhere,
                                                kAudioObjectPropertyScopeGlobal, 1};
    const struct {
        const char* edge;
        AudioObjectID object;
        AudioObjectPropertyAddress address;
        std::uint32_t size;
        OSStatus status;
    } cases[] = {
        {"no object", kAudioObjectUnknown, kRunningSomewhere, 4, kAudioHardwareBadObjectError},
        {"an id below the cards", 2, kRunningSomewhere, 4, kAudioHardwareBadObjectError},
        {"a card without capture", 0x101, kRunningSomewhere, 4, kAudioHardwareBadObjectError},
        {"a card that is not there", 0x107, kRunningSomewhere, 4, kAudioHardwareBadObjectError},
        {"an id far past any card", 0xFFFFFFFF, kRunningSomewhere, 4, kAudioHardwareBadObjectError},
        {"running asked of the system", kAudioObjectSystemObject, kRunningSomewhere, 4,
         kAudioHardwareUnknownPropertyError},
        {"default input asked of a device", 0x100, kDefaultInput, 4, kAudioHardwareUnknownPropertyError},
        {"another scope", kAudioObjectSystemObject, inputScope, 4, kAudioHardwareUnknownPropertyError},
        {"another element", 0x100, elementOne, 4, kAudioHardwareUnknownPropertyError},
        {"a short buffer", kAudioObjectSystemObject, kDefaultInput, 3, kAudioHardwareBadPropertySizeError},
        {"no buffer", 0x100, kRunningSomewhere, 0, kAudioHardwareBadPropertySizeError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(read(hardware, c.object, c.address, c.size), (Read{c.status, kUntouched, c.size}));
    }
    std::uint32_t size = 4;
    EXPECT_EQ(hardware.getPropertyData(kAudioObjectSystemObject, kDefaultInput, size, nullptr),
              kAudioHardwareBadPropertySizeError);
    // A larger buffer is fine: four bytes are written and the size says so.
    EXPECT_EQ(read(hardware, 0x100, kRunningSomewhere, 16), (Read{kAudioHardwareNoError, 1, 4}));
}

TEST(AlsaAudioHardwareTest, AMissingRootHasNoInputDevice) {
    const AlsaAudioHardware hardware("/nonexistent/asound");
    EXPECT_EQ(read(hardware, kAudioObjectSystemObject, kDefaultInput), (Read{kAudioHardwareNoError, 0, 4}));
    EXPECT_EQ(read(hardware, 0x100, kRunningSomewhere).status, kAudioHardwareBadObjectError);
}

// This machine's sound cards, if any: the calls answer sensibly.
TEST(AlsaAudioHardwareTest, ReadsThisMachinesCards) {
    const AlsaAudioHardware hardware;
    const auto input = read(hardware, kAudioObjectSystemObject, kDefaultInput);
    ASSERT_EQ(input.status, kAudioHardwareNoError);
    if (input.value == kAudioObjectUnknown) return;  // no capture card here, as on most servers
    const auto running = read(hardware, input.value, kRunningSomewhere);
    EXPECT_EQ(running.status, kAudioHardwareNoError);
    EXPECT_LE(running.value, 1u);
}

}  // namespace
}  // namespace zephrane::audio
