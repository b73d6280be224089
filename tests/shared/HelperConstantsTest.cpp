#include "shared/HelperConstants.hpp"

#include <string>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

namespace hc = HelperConstants;

TEST(HelperConstants, RequirementsNameTheIdentifierAndEndInTheQuotedTeam) {
    EXPECT_EQ(hc::clientRequirement(),
              "anchor apple generic and identifier \"com.zephrane.app\" and certificate leaf[subject.OU] = "
              "\"ZPHRN4B7Q2\"");
    EXPECT_EQ(hc::daemonRequirement(),
              "anchor apple generic and identifier \"com.zephrane.Fanwarden\" and certificate leaf[subject.OU] = "
              "\"ZPHRN4B7Q2\"");
    const std::string ending = "\"" + std::string(hc::teamID) + "\"";
    for (const std::string* text : {&hc::clientRequirement(), &hc::daemonRequirement()})
        EXPECT_TRUE(text->ends_with(ending)) << *text;
    // Built once: every call hands out the same text.
    EXPECT_EQ(&hc::clientRequirement(), &hc::clientRequirement());
    EXPECT_EQ(&hc::daemonRequirement(), &hc::daemonRequirement());
}

TEST(HelperConstants, TeamIdIsTenUpperCaseLettersOrDigits) {
    ASSERT_EQ(hc::teamID.size(), 10u);
    for (char c : hc::teamID) EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) << c;
}

TEST(HelperConstants, TimingsLeaveEachEndRoomToAnswer) {
    // The app must outwait the daemon's own engage retries, or it reports a
    // time-out for a write that is about to succeed.
    EXPECT_GT(hc::engageCallTimeout, hc::manualEngageUnlockTimeout);
    // Two beats per daemon time-out.
    EXPECT_EQ(hc::heartbeatInterval * 2, hc::heartbeatTimeout);
    EXPECT_EQ(hc::heartbeatTimeout.count(), 5.0);
    EXPECT_EQ(hc::xpcCallTimeout.count(), 4.0);
    EXPECT_EQ(hc::manualEngageUnlockTimeout.count(), 10.0);
    EXPECT_EQ(hc::engageCallTimeout.count(), 12.0);
    EXPECT_EQ(hc::heartbeatCallTimeout.count(), 2.0);
}

TEST(HelperConstants, NamesBothEndsAgreeOn) {
    EXPECT_EQ(hc::machServiceName, "com.zephrane.Fanwarden.xpc");
    EXPECT_EQ(hc::daemonPlistName, std::string(hc::daemonLabel) + ".plist");
    EXPECT_EQ(hc::daemonLabel, "com.zephrane.Fanwarden");
    EXPECT_EQ(hc::appBundleID, "com.zephrane.app");
    EXPECT_EQ(helperBuildVersion, "1.2.2");
}

}  // namespace
}  // namespace zephrane
