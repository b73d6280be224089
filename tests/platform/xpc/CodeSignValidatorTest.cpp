#include "platform/xpc/CodeSignValidator.hpp"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace zephrane::xpc {
namespace {

// Both ends of a socket pair are this test program, which embeds no identity.
struct SocketPair {
    SocketPair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0); }
    ~SocketPair() {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    int fds[2] = {-1, -1};
};

TEST(CodeSignValidator, ChecksThePeerAgainstTheParsedRequirement) {
    SocketPair pair;
    struct stat program {};
    ASSERT_EQ(::stat("/proc/self/exe", &program), 0);
    codesign::TrustPolicy policy;
    policy.trustedOwner = program.st_uid;
    const PeerValidator validator = codeSignValidator(policy);

    auto unparsable = validator(pair.fds[0], "anchor apple generic or identifier \"x\"");
    ASSERT_TRUE(unparsable);
    EXPECT_EQ(unparsable->rfind("requirement cannot be parsed: ", 0), 0u) << *unparsable;

    auto otherProgram = validator(pair.fds[0], "identifier \"com.zephrane.app\"");
    ASSERT_TRUE(otherProgram);
    EXPECT_NE(otherProgram->find(std::to_string(::getpid())), std::string::npos) << *otherProgram;

    if ((program.st_mode & (S_IWGRP | S_IWOTH)) != 0) GTEST_SKIP() << "the test program is writable by others";
    EXPECT_EQ(validator(pair.fds[0], "anchor apple generic"), std::nullopt);
}

}  // namespace
}  // namespace zephrane::xpc
