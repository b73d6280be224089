// Launch at login through the current user's autostart entry, with the
// user's configuration directory moved into a temporary one.
#include "ZephraneApp/Services/Install/LaunchAtLogin.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

class LaunchAtLoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/launch-at-login-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old != nullptr) saved_ = old;
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    }
    void TearDown() override {
        if (saved_) ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        else ::unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_;
    std::optional<std::string> saved_;
};

TEST_F(LaunchAtLoginTest, SwitchesTheCurrentUsersLoginItem) {
    const auto entry = dir_ / "autostart" / "com.zephrane.app.desktop";
    EXPECT_EQ(setLaunchAtLogin(true), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_regular_file(entry));
    EXPECT_EQ(setLaunchAtLogin(false), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(LaunchAtLoginTest, AFailureComesBackAsItsDescription) {
    const auto failure = setLaunchAtLogin(false);  // nothing registered
    ASSERT_TRUE(failure);
    EXPECT_EQ(*failure, "cannot remove the app from the login items: it is not registered");

    // The autostart directory cannot be made: a file holds its name.
    std::ofstream(dir_ / "autostart") << "in the way";
    const auto refused = setLaunchAtLogin(true);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->rfind("cannot add the app to the login items: ", 0), 0u) << *refused;
}

}  // namespace
}  // namespace zephrane
