// The app's login item as an XDG autostart entry, in a temporary directory.
#include "platform/servicemanagement/LoginItem.hpp"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/servicemanagement/SystemServiceManager.hpp"

namespace zephrane::servicemanagement {
namespace {

class LoginItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/login-item-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string read(const std::filesystem::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path dir_;
};

TEST_F(LoginItemTest, RegisterWritesAnAutostartEntryAndUnregisterRemovesIt) {
    const LoginItem item(dir_ / "config" / "autostart", "/opt/Brumalune.app/Contents/MacOS/Brumalune");
    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_EQ(item.registerService(), std::nullopt);
    EXPECT_EQ(item.status(), Status::enabled);
    EXPECT_EQ(read(item.entryPath()), "[Desktop Entry]\n"
                                      "Type=Application\n"
                                      "Name=Brumalune\n"
                                      "Comment=Fan control\n"
                                      "Exec=\"/opt/Brumalune.app/Contents/MacOS/Brumalune\"\n"
                                      "Terminal=false\n"
                                      "X-GNOME-Autostart-enabled=true\n");
    struct stat info{};
    ASSERT_EQ(::stat(item.entryPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(item.registerService(), std::nullopt);  // again: rewritten
    EXPECT_EQ(item.unregisterService(), std::nullopt);
    EXPECT_EQ(item.status(), Status::notRegistered);
    // Nothing of the atomic write is left behind.
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "config" / "autostart"));
}

TEST_F(LoginItemTest, ProgramPathsAreQuotedForTheExecKey) {
    const auto text = LoginItem::entryText("/home/a b/it's \"$HOME\" 100%/back\\slash`x`");
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("Exec=\"/home/a b/it's \\\\\"\\\\$HOME\\\\\" 100%%/back\\\\\\\\slash\\\\`x\\\\`\"\n"),
              std::string::npos)
        << *text;
    EXPECT_FALSE(LoginItem::entryText("/tmp/line\nbreak"));
}

TEST_F(LoginItemTest, FailuresComeBackAsErrors) {
    const LoginItem item(dir_ / "autostart", "/usr/bin/brumalune");
    const auto notRegistered = item.unregisterService();
    ASSERT_TRUE(notRegistered);
    EXPECT_EQ(notRegistered->domain, kErrorDomain);
    EXPECT_EQ(notRegistered->code, kSMErrorJobNotFound);

    std::ofstream(dir_ / "autostart") << "a file where the directory should be";
    const auto blocked = item.registerService();
    ASSERT_TRUE(blocked);
    EXPECT_EQ(blocked->code, kSMErrorInternalFailure);
    EXPECT_EQ(blocked->description.rfind("cannot add the app to the login items: ", 0), 0u) << blocked->description;

    const auto lineBreak = LoginItem(dir_ / "elsewhere", "/tmp/a\nb").registerService();
    ASSERT_TRUE(lineBreak);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "elsewhere"));
    const auto nowhere = LoginItem("", "/usr/bin/brumalune").registerService();
    ASSERT_TRUE(nowhere);
}

TEST_F(LoginItemTest, TheCurrentUsersItemFollowsXdgConfigHome) {
    const auto saved = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const auto restore = [](const char* name, const std::optional<std::string>& value) {
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    };
    const auto savedConfig = saved("XDG_CONFIG_HOME");
    const auto savedHome = saved("HOME");
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    const LoginItem item = LoginItem::forCurrentUser();
    EXPECT_EQ(item.entryPath(), dir_ / "autostart" / "com.zephrane.app.desktop");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", dir_.c_str(), 1);
    EXPECT_EQ(LoginItem::forCurrentUser().entryPath(), dir_ / ".config" / "autostart" / "com.zephrane.app.desktop");
    restore("XDG_CONFIG_HOME", savedConfig);
    restore("HOME", savedHome);
}

}  // namespace
}  // namespace zephrane::servicemanagement
