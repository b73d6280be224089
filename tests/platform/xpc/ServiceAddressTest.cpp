#include "platform/xpc/ServiceAddress.hpp"

#include <cstdlib>
#include <stdexcept>

#include <gtest/gtest.h>

namespace zephrane::xpc {
namespace {

TEST(ServiceAddress, NamesCannotLeaveTheirDirectory) {
    EXPECT_EQ(socketPathForService("com.zephrane.Fanwarden.xpc", std::string("/run/zephrane")),
              "/run/zephrane/com.zephrane.Fanwarden.xpc");
    EXPECT_EQ(socketPathForService("a", std::string("/tmp/dir/")), "/tmp/dir/a");
    const std::string_view badNames[] = {"", ".", "..", "../etc/passwd", "a/b", "a..b", std::string_view("a\0b", 3)};
    for (std::string_view bad : badNames) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(socketPathForService(bad, std::string("/run/zephrane")), std::invalid_argument);
    }
    EXPECT_THROW(socketPathForService(std::string(120, 'n'), std::string("/run/zephrane")), std::invalid_argument);
}

TEST(ServiceAddress, TheEnvironmentNamesTheDirectoryUnlessTheCallerDoes) {
    ::setenv(kDirectoryVariable.data(), "/tmp/elsewhere", 1);
    EXPECT_EQ(serviceDirectory(std::nullopt), "/tmp/elsewhere");
    EXPECT_EQ(serviceDirectory(std::string("/mine")), "/mine");
    ::unsetenv(kDirectoryVariable.data());
    EXPECT_EQ(serviceDirectory(std::nullopt), "/run/zephrane");
}

}  // namespace
}  // namespace zephrane::xpc
