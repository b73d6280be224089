#include "ZephraneApp/Model/GlobalShortcut.hpp"

#include <gtest/gtest.h>

namespace zephrane {
namespace {

constexpr std::uint32_t kControl = GlobalShortcut::controlKey;
constexpr std::uint32_t kOption = GlobalShortcut::optionKey;
constexpr std::uint32_t kShift = GlobalShortcut::shiftKey;
constexpr std::uint32_t kCommand = GlobalShortcut::commandKey;

TEST(GlobalShortcut, DefaultSummonIsOptionShiftF) {
    constexpr GlobalShortcut summon = GlobalShortcut::defaultSummon();
    EXPECT_EQ(summon, (GlobalShortcut{3, 0x0A00}));
    EXPECT_TRUE(summon.isValid());
    EXPECT_EQ(summon.displayString(), "\u2325\u21e7F");
}

TEST(GlobalShortcut, ValidityNeedsCommandOptionOrControl) {
    struct Case {
        const char* name;
        std::uint32_t modifiers;
        bool valid;
    } cases[] = {
        {"none", 0, false},
        {"shift alone", kShift, false},
        {"unknown bits only", 0x00FF | 0x0400 | 0x2000, false},
        {"command", kCommand, true},
        {"option", kOption, true},
        {"control", kControl, true},
        {"shift with command", kShift | kCommand, true},
    };
    for (const Case& c : cases) EXPECT_EQ((GlobalShortcut{3, c.modifiers}.isValid()), c.valid) << c.name;
}

TEST(GlobalShortcut, DisplayStringOrdersModifiersAndNamesTheKey) {
    struct Case {
        GlobalShortcut shortcut;
        const char* text;
    } cases[] = {
        {{3, kCommand | kShift | kOption | kControl}, "\u2303\u2325\u21e7\u2318F"},
        {{123, kCommand}, "\u2318\u2190"},
        {{10, kControl}, "\u2303Key 10"},
        {{0, kCommand}, "\u2318A"},
        {{6, kOption}, "\u2325Z"},
        {{29, kControl}, "\u23030"},
        {{25, kControl}, "\u23039"},
        {{122, kOption}, "\u2325F1"},
        {{90, kOption}, "\u2325F20"},
        {{117, kCommand}, "\u2318Forward Delete"},
        {{121, kCommand}, "\u2318Page Down"},
        {{49, kShift}, "\u21e7Space"},
        {{4000000000u, 0}, "Key 4000000000"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.shortcut.displayString(), c.text) << c.text;
}

TEST(GlobalShortcut, FromKeyEventKeepsOnlyTheFourModifiers) {
    using F = GlobalShortcut;
    EXPECT_EQ(F::from(3, F::shiftFlag), std::nullopt);
    EXPECT_EQ(F::from(3, F::capsLockFlag | F::functionFlag | F::numericPadFlag), std::nullopt);
    const auto all = F::from(3, F::controlFlag | F::optionFlag | F::shiftFlag | F::commandFlag | F::capsLockFlag |
                                    F::numericPadFlag | F::functionFlag);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->carbonModifiers, 0x1B00u);
    EXPECT_EQ(all->displayString(), "\u2303\u2325\u21e7\u2318F");
    EXPECT_EQ(F::from(40, F::controlFlag), (GlobalShortcut{40, 0x1000}));
}

TEST(GlobalShortcut, StoredFormRoundTripsAndRejectsWhatIsNotAUInt32) {
    const GlobalShortcut shortcut{40, 0x1000};
    const Json stored = shortcut.toJson();
    EXPECT_EQ(stored.dump(), R"({"keyCode":40,"carbonModifiers":4096})");
    EXPECT_EQ(GlobalShortcut::fromJson(json::parse(stored.dump())), shortcut);
    EXPECT_EQ(GlobalShortcut::fromJson(json::parse(R"({"keyCode":4294967295,"carbonModifiers":0})")).keyCode,
              4294967295u);

    for (const char* text : {R"({"keyCode":3})", R"({"carbonModifiers":2560})", R"({"keyCode":-1,"carbonModifiers":0})",
                             R"({"keyCode":4294967296,"carbonModifiers":0})", R"({"keyCode":"3","carbonModifiers":0})",
                             R"({"keyCode":3.5,"carbonModifiers":0})", R"([3,2560])"})
        EXPECT_THROW(GlobalShortcut::fromJson(json::parse(text)), DecodingError) << text;
}

}  // namespace
}  // namespace zephrane
