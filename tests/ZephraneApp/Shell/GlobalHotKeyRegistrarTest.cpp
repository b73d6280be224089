#include "ZephraneApp/Shell/GlobalHotKeyRegistrar.hpp"

#include <gtest/gtest.h>

#include "platform/hotkey/FakeHotKeyCenter.hpp"

namespace zephrane {
namespace {

using hotkey::FakeHotKeyCenter;

constexpr GlobalShortcut kSummon = GlobalShortcut::defaultSummon();
constexpr GlobalShortcut kOther{40, GlobalShortcut::controlKey};

TEST(GlobalHotKeyRegistrar, ReRegisteringReleasesTheFirstKeyAndInstallsTheHandlerOnce) {
    FakeHotKeyCenter center;
    GlobalHotKeyRegistrar registrar(center);
    int first = 0;
    int second = 0;
    ASSERT_TRUE(registrar.registerShortcut(kSummon, [&] { ++first; }));
    // The same shortcut again: a registration that kept the first key would
    // collide with itself.
    ASSERT_TRUE(registrar.registerShortcut(kSummon, [&] { ++second; }));
    EXPECT_EQ(center.handlerInstalls, 1);
    EXPECT_EQ(center.unregisterCalls, 1);
    ASSERT_EQ(center.registrations.size(), 1u);
    EXPECT_EQ(center.registrations.begin()->second.id, GlobalHotKeyRegistrar::kIdentity);
    EXPECT_TRUE(center.press(kSummon.keyCode, kSummon.carbonModifiers));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);

    ASSERT_TRUE(registrar.registerShortcut(kOther, [&] { ++second; }));
    EXPECT_FALSE(center.press(kSummon.keyCode, kSummon.carbonModifiers));
    EXPECT_TRUE(center.press(kOther.keyCode, kOther.carbonModifiers));
    EXPECT_EQ(second, 2);
}

TEST(GlobalHotKeyRegistrar, EveryFailureLeavesItIdle) {
    struct Case {
        const char* name;
        GlobalShortcut shortcut;
        bool failInstall;
        bool takenElsewhere;
    } cases[] = {
        {"invalid after valid", {3, GlobalShortcut::shiftKey}, false, false},
        {"handler refused", kOther, true, false},
        {"held by another application", kOther, false, true},
    };
    for (const Case& c : cases) {
        FakeHotKeyCenter center;
        GlobalHotKeyRegistrar registrar(center);
        int presses = 0;
        ASSERT_TRUE(registrar.registerShortcut(kSummon, [&] { ++presses; })) << c.name;
        if (c.takenElsewhere) center.takenElsewhere.insert({c.shortcut.keyCode, c.shortcut.carbonModifiers});
        if (c.failInstall) {
            // Only a registrar's first install reaches the center: take a fresh one.
            FakeHotKeyCenter refusing;
            refusing.failHandlerInstall = true;
            GlobalHotKeyRegistrar fresh(refusing);
            EXPECT_FALSE(fresh.registerShortcut(c.shortcut, [&] { ++presses; })) << c.name;
            EXPECT_TRUE(refusing.registrations.empty()) << c.name;
            EXPECT_FALSE(fresh.isArmed()) << c.name;
            continue;
        }
        EXPECT_FALSE(registrar.registerShortcut(c.shortcut, [&] { ++presses; })) << c.name;
        EXPECT_FALSE(registrar.isArmed()) << c.name;
        EXPECT_TRUE(center.registrations.empty()) << c.name;
        EXPECT_FALSE(center.press(kSummon.keyCode, kSummon.carbonModifiers)) << c.name;
        EXPECT_EQ(presses, 0) << c.name;
    }
}

TEST(GlobalHotKeyRegistrar, UnregisterAndDestructionReleaseTheKeyAndTheHandler) {
    FakeHotKeyCenter center;
    int presses = 0;
    {
        GlobalHotKeyRegistrar registrar(center);
        ASSERT_TRUE(registrar.registerShortcut(kSummon, [&] { ++presses; }));
        registrar.unregister();
        EXPECT_TRUE(center.registrations.empty());
        ASSERT_TRUE(registrar.registerShortcut(kSummon, [&] { ++presses; }));
    }
    EXPECT_TRUE(center.registrations.empty());
    // A press the center still delivers after the registrar is gone must
    // not call into it.
    center.registrations[99] = {kSummon.keyCode, kSummon.carbonModifiers, GlobalHotKeyRegistrar::kIdentity};
    EXPECT_FALSE(center.press(kSummon.keyCode, kSummon.carbonModifiers));
    EXPECT_EQ(presses, 0);
}

}  // namespace
}  // namespace zephrane
