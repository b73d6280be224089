#include "shared/WorkloadPolicy.hpp"

#include <gtest/gtest.h>

namespace zephrane {
namespace {

TEST(WorkloadPolicy, BoostMatchesByCaseSensitivePrefix) {
    struct Case { const char* name; const char* id; double boost; };
    const Case cases[] = {
        {"exact identifier", "com.apple.dt.Xcode", 0.45},
        {"variant build named after it", "com.apple.dt.Xcode-beta", 0.45},
        {"letter case differs", "com.apple.dt.xcode", 0},
        {"shorter than the entry", "com.apple.dt.Xco", 0},
        {"unrelated app", "org.mozilla.firefox", 0},
        {"empty", "", 0},
        {"resolve", "com.blackmagic-design.DaVinciResolve", 0.55},
    };
    for (const auto& c : cases) EXPECT_EQ(WorkloadPolicy::boost(c.id), c.boost) << c.name;
}

TEST(WorkloadPolicy, CurrentBoostIsTheStrongestRunningNeverASum) {
    WorkloadPolicy policy;
    policy.appLaunched("org.mozilla.firefox");
    EXPECT_TRUE(policy.running().empty());
    policy.appLaunched("com.apple.dt.Xcode");
    policy.appLaunched("com.apple.FinalCut");
    EXPECT_EQ(policy.currentBoost(), 0.55);
    policy.appTerminated("com.apple.FinalCut");
    EXPECT_EQ(policy.currentBoost(), 0.45);
    policy.appTerminated("com.apple.dt.Xcode");
    EXPECT_EQ(policy.currentBoost(), 0);
}

TEST(WorkloadPolicy, SetDoesNotCountInstances) {
    WorkloadPolicy policy;
    policy.appLaunched("com.adobe.PremierePro");
    policy.appLaunched("com.adobe.PremierePro");
    policy.appTerminated("com.adobe.PremierePro");
    EXPECT_EQ(policy, WorkloadPolicy());
    policy.appTerminated("never.launched");
    EXPECT_EQ(policy, WorkloadPolicy());
}

TEST(WorkloadPolicy, SeedAddsAndNeverRemoves) {
    WorkloadPolicy policy;
    policy.appLaunched("com.apple.dt.Xcode");
    policy.seed({});
    EXPECT_EQ(policy.running().size(), 1u);
    std::vector<std::string> running{"org.blenderfoundation.blender", "com.example.editor"};
    policy.seed(running);
    EXPECT_EQ(policy.running(), (std::set<std::string, std::less<>>{"com.apple.dt.Xcode", "org.blenderfoundation.blender"}));
}

}  // namespace
}  // namespace zephrane
