#include "ZephraneApp/Services/Monitors/MicActivityMonitor.hpp"

#include <atomic>
#include <new>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/audio/AlsaAudioHardware.hpp"
#include "platform/audio/FakeAudioHardware.hpp"
#include "tests/ZephraneApp/Concurrency/AwaitTask.hpp"
#include "tests/platform/audio/AsoundFixture.hpp"

namespace zephrane {
namespace {

using namespace audio;
using namespace std::chrono_literals;

TEST(MicActivityMonitorTest, InUseOnlyWhenTheDefaultInputRunsAndBothReadsSucceed) {
    struct Case {
        const char* edge;
        AudioObjectID defaultDevice;
        OSStatus defaultError;
        std::uint32_t running;
        OSStatus runningError;
        bool inUse;
        int runningReads;  // 0: stopped after the first read
    };
    const Case cases[] = {
        {"capturing", FakeAudioHardware::kMicrophone, kAudioHardwareNoError, 1, kAudioHardwareNoError, true, 1},
        {"any non-zero value counts", FakeAudioHardware::kMicrophone, kAudioHardwareNoError, 0x80000000,
         kAudioHardwareNoError, true, 1},
        {"nobody uses it", FakeAudioHardware::kMicrophone, kAudioHardwareNoError, 0, kAudioHardwareNoError, false, 1},
        {"no default input device", kAudioObjectUnknown, kAudioHardwareNoError, 1, kAudioHardwareNoError, false, 0},
        {"the default device read fails", FakeAudioHardware::kMicrophone, kAudioHardwareUnspecifiedError, 1,
         kAudioHardwareNoError, false, 0},
        {"the running read fails", FakeAudioHardware::kMicrophone, kAudioHardwareNoError, 1,
         kAudioHardwareUnknownPropertyError, false, 1},
        {"the default device is gone by the second read", 0x77, kAudioHardwareNoError, 1, kAudioHardwareNoError,
         false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        FakeAudioHardware hardware;
        hardware.defaultInputDevice = c.defaultDevice;
        hardware.defaultDeviceError = c.defaultError;
        hardware.runningSomewhere = c.running;
        hardware.runningError = c.runningError;
        EXPECT_EQ(MicActivityMonitor::Core(hardware).isMicrophoneInUse(), c.inUse);
        EXPECT_EQ(hardware.defaultDeviceReads(), 1);
        EXPECT_EQ(hardware.runningReads(), c.runningReads);
    }
}

// A stand-in that throws (out of memory, say) still gets an answer, not an
// exception through a noexcept function.
TEST(MicActivityMonitorTest, AThrowingAudioSystemAnswersFalse) {
    struct Throwing final : AudioHardware {
        OSStatus getPropertyData(AudioObjectID, const AudioObjectPropertyAddress&, std::uint32_t&,
                                 void*) const override {
            throw std::bad_alloc();
        }
    } hardware;
    EXPECT_FALSE(MicActivityMonitor::Core(hardware).isMicrophoneInUse());
}

TEST(MicActivityMonitorTest, FollowsALinuxCaptureSubstream) {
    audio::testing::AsoundFixture tree("monitor");
    tree.setStatus(0, "pcm0p", 0, audio::testing::kRunning);
    const AlsaAudioHardware hardware(tree.rootText());
    const MicActivityMonitor::Core monitor(hardware);
    EXPECT_FALSE(monitor.isMicrophoneInUse()) << "no capture device";
    tree.setStatus(0, "pcm0c", 0, audio::testing::kClosed);
    tree.setStatus(0, "pcm0c", 1, audio::testing::kPrepared);
    EXPECT_FALSE(monitor.isMicrophoneInUse());
    tree.setStatus(0, "pcm0c", 1, audio::testing::kRunning);
    EXPECT_TRUE(monitor.isMicrophoneInUse());
    tree.removeCard(0);
    EXPECT_FALSE(monitor.isMicrophoneInUse());
}

// Called from several threads at once while the sound card starts and stops
// capturing and even disappears: no crash, and every thread sees both
// answers as the tree changes under it.
TEST(MicActivityMonitorTest, AnyThreadMayAskWhileTheCardComesAndGoes) {
    audio::testing::AsoundFixture tree("threads");
    const AlsaAudioHardware hardware(tree.rootText());
    const MicActivityMonitor::Core monitor(hardware);
    std::vector<std::atomic<int>> yes(4), no(4);
    struct Askers {
        std::atomic<bool> stop{false};
        std::vector<std::thread> threads;
        ~Askers() {
            stop = true;
            for (auto& thread : threads) thread.join();
        }
    } askers;
    for (std::size_t i = 0; i < 4; ++i)
        askers.threads.emplace_back([&, i] {
            while (!askers.stop) ++(monitor.isMicrophoneInUse() ? yes[i] : no[i]);
        });

    const auto everyoneSaw = [&](std::vector<std::atomic<int>>& answers) {
        for (auto& count : answers)
            if (count == 0) return false;
        return true;
    };
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (int round = 0; !(everyoneSaw(yes) && everyoneSaw(no)); ++round) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        switch (round % 3) {
            case 0: tree.setStatus(0, "pcm0c", 0, audio::testing::kRunning); break;
            case 1: tree.setStatus(0, "pcm0c", 0, audio::testing::kClosed); break;
            default: tree.removeCard(0); break;
        }
        std::this_thread::sleep_for(1ms);  // lets the askers read this state; not a wait for anything
    }
}

// The engine's face: the reads run on the monitor's own thread and the
// answer is the core's.
TEST(MicActivityMonitorTest, TheFaceReadsOnItsOwnThread) {
    struct Recording final : AudioHardware {
        FakeAudioHardware fake;
        mutable std::atomic<QThread*> readOn{nullptr};
        OSStatus getPropertyData(AudioObjectID object, const AudioObjectPropertyAddress& address,
                                 std::uint32_t& size, void* data) const override {
            readOn = QThread::currentThread();
            return fake.getPropertyData(object, address, size, data);
        }
    } hardware;
    hardware.fake.runningSomewhere = 1;
    MicActivityMonitor monitor(hardware);
    EXPECT_TRUE(testfakes::awaitResult(monitor.isMicrophoneInUse()));
    EXPECT_EQ(hardware.readOn.load(), monitor.thread());
    EXPECT_NE(monitor.thread(), QThread::currentThread());
    hardware.fake.runningSomewhere = 0;
    EXPECT_FALSE(testfakes::awaitResult(monitor.isMicrophoneInUse()));
}

}  // namespace
}  // namespace zephrane
