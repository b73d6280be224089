// The pkexec stand-in against fake pkexec programs: a shell script in place
// of polkit's, which either runs its arguments as they are (approval given)
// or exits as pkexec does when the prompt is dismissed.
#include "platform/adminscript/PkexecAppleScript.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace zephrane::adminscript {
namespace {

namespace fs = std::filesystem;

std::string sourceFor(const std::string& script) {
    std::string escaped;
    for (const char c : script) {
        if (c == '\\' || c == '"') escaped.push_back('\\');
        if (c == '\n') {
            escaped += "\\n";
            continue;
        }
        escaped.push_back(c);
    }
    return "do shell script \"" + escaped + "\" with administrator privileges";
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ErrorInfo failure(std::int64_t number, std::string message) {
    return {{std::string(errorNumberKey), ErrorValue::ofInteger(number)},
            {std::string(errorMessageKey), ErrorValue::ofText(std::move(message))}};
}

std::size_t openDescriptorCount() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{}));
}

bool noChildLeft() { return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

class PkexecAppleScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zephrane-adminscript-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        // Approval given: run the command as it came.
        approving_ = writeProgram("pkexec-approve", "exec \"$@\"\n");
        // Records its arguments, NUL-separated, then runs them.
        recording_ = writeProgram("pkexec-record", "printf '%s\\0' \"$@\" > \"$(dirname \"$0\")/args\"\nexec \"$@\"\n");
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path writeProgram(const std::string& name, const std::string& body) {
        const fs::path path = dir_ / name;
        std::ofstream(path) << "#!/bin/sh\n" << body;
        fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
        return path;
    }

    std::optional<ErrorInfo> run(const fs::path& pkexec, const std::string& script) {
        PkexecAppleScriptFactory factory(pkexec.string());
        auto created = factory.create(sourceFor(script));
        if (!created) {
            ADD_FAILURE() << "source not accepted";
            return std::nullopt;
        }
        return created->execute();
    }

    fs::path dir_;
    fs::path approving_;
    fs::path recording_;
};

TEST_F(PkexecAppleScriptTest, HandsTheScriptToTheShellAsOneArgumentUnchanged) {
    const std::string script = "printf '%s' \"it's $((6 * 7))\" > '" + (dir_ / "out").string() +
                               "'\n# a comment; \\ backslash, \"quotes\" and `ticks`";
    EXPECT_EQ(run(recording_, script), std::nullopt);
    EXPECT_EQ(readFile(dir_ / "out"), "it's 42");
    const std::string expected = std::string("/bin/sh") + '\0' + "-c" + '\0' + script + '\0';
    EXPECT_EQ(readFile(dir_ / "args"), expected);
}

TEST_F(PkexecAppleScriptTest, ReportsExitStatusAndStandardErrorOrACancelledPrompt) {
    const fs::path dismissed = writeProgram("pkexec-dismissed", "echo 'no thanks' >&2\nexit 126\n");
    const fs::path refused = writeProgram("pkexec-refused", "echo 'not authorized' >&2\nexit 127\n");
    struct Case {
        const char* edge;
        fs::path pkexec;
        std::string script;
        ErrorInfo expected;
    };
    const Case cases[] = {
        {"script fails with a message", approving_, "echo 'it broke' >&2; exit 3", failure(3, "it broke\n")},
        {"script fails silently", approving_, "exit 1", failure(1, "")},
        {"only standard error is kept", approving_, "echo out; echo err >&2; exit 2", failure(2, "err\n")},
        {"prompt dismissed", dismissed, "true", failure(-128, "User canceled.")},
        {"authorization refused", refused, "true", failure(-128, "User canceled.")},
        {"script's own 126 cannot be told from a dismissed prompt", approving_, "exit 126",
         failure(-128, "User canceled.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(run(c.pkexec, c.script), c.expected);
    }
}

TEST_F(PkexecAppleScriptTest, MissingPkexecIsAGeneralErrorNotACancel) {
    const auto error = run(dir_ / "no-such-pkexec", "true");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->at(std::string(errorNumberKey)), ErrorValue::ofInteger(generalErrorNumber));
    EXPECT_NE(error->at(std::string(errorMessageKey)).text.find("no-such-pkexec"), std::string::npos);
}

TEST_F(PkexecAppleScriptTest, PkexecKilledMidwayIsAFailureNamingTheSignal) {
    const fs::path dying = writeProgram("pkexec-dies", "kill -KILL $$\n");
    const auto error = run(dying, "true");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->at(std::string(errorNumberKey)), ErrorValue::ofInteger(128 + SIGKILL));
    EXPECT_NE(error->at(std::string(errorMessageKey)).text.find("signal 9"), std::string::npos);
    EXPECT_TRUE(noChildLeft());
}

TEST_F(PkexecAppleScriptTest, ChildStartsWithSignalsUnblockedWhateverTheCallerBlocks) {
    sigset_t term, previous;
    ::sigemptyset(&term);
    ::sigaddset(&term, SIGTERM);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &term, &previous), 0);
    // With SIGTERM still blocked the shell would survive and exit 0.
    const auto error = run(approving_, "kill -TERM $$; exit 0");
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->at(std::string(errorNumberKey)), ErrorValue::ofInteger(128 + SIGTERM));
}

TEST_F(PkexecAppleScriptTest, LeavesNoDescriptorOrChildBehindAndPassesNoneOfOurs) {
    const int ours = ::open("/dev/null", O_RDONLY);  // deliberately without close-on-exec
    ASSERT_GE(ours, 0);
    const std::size_t before = openDescriptorCount();

    const std::string probe = "if [ -e /proc/$$/fd/" + std::to_string(ours) + " ]; then echo leaked >&2; exit 9; fi";
    EXPECT_EQ(run(approving_, probe), std::nullopt);
    EXPECT_TRUE(run(approving_, "echo no >&2; exit 5").has_value());
    EXPECT_TRUE(run(dir_ / "no-such-pkexec", "true").has_value());

    EXPECT_EQ(openDescriptorCount(), before);
    EXPECT_TRUE(noChildLeft());
    ::close(ours);
}

TEST_F(PkexecAppleScriptTest, ReturnsWhenTheShellEndsEvenIfABackgroundProcessHoldsStandardError) {
    const fs::path pidFile = dir_ / "background.pid";
    // The background sleep inherits standard error and keeps the pipe open
    // long after the shell has exited.
    const auto error = run(approving_, "sleep 300 & echo $! > '" + pidFile.string() + "'; echo done >&2; exit 4");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, failure(4, "done\n"));

    const pid_t background = static_cast<pid_t>(std::stol(readFile(pidFile)));
    EXPECT_EQ(::kill(background, 0), 0) << "execution waited for the background process";
    ::kill(background, SIGKILL);
    EXPECT_TRUE(noChildLeft());
}

TEST_F(PkexecAppleScriptTest, LongStandardErrorIsCappedWithoutBlockingTheScript) {
    const auto error = run(approving_, "head -c 1000000 /dev/zero | tr '\\0' x >&2; exit 6");
    ASSERT_TRUE(error.has_value());
    const ErrorValue message = error->at(std::string(errorMessageKey));
    EXPECT_EQ(message.text, std::string(PkexecAppleScriptFactory::maxMessageBytes, 'x'));
    EXPECT_EQ(error->at(std::string(errorNumberKey)), ErrorValue::ofInteger(6));
}

TEST_F(PkexecAppleScriptTest, SourceOfAnotherFormCreatesNoScript) {
    PkexecAppleScriptFactory factory(approving_.string());
    EXPECT_EQ(factory.create("do shell script \"true\""), nullptr);
    EXPECT_EQ(factory.create("tell application \"Finder\" to quit"), nullptr);
}

}  // namespace
}  // namespace zephrane::adminscript
