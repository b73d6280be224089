#include "ZephraneApp/Services/Install/LegacyHelperInstall.hpp"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <stdexcept>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QCoroTask>

#include <gtest/gtest.h>

#include "FakeFileManager.hpp"
#include "platform/adminscript/FakeAppleScript.hpp"
#include "platform/adminscript/ShellScriptSource.hpp"

namespace zephrane::LegacyHelperInstall {
namespace {

using namespace std::chrono_literals;
using adminscript::ErrorInfo;
using adminscript::ErrorValue;

constexpr auto kGenerousDeadline = 20s;

const std::string kDefaultScript =
    "if ! '/bin/launchctl' bootout 'system/com.zephrane.Fanwarden' 2>/dev/null; then "
    "if '/bin/launchctl' print 'system/com.zephrane.Fanwarden' >/dev/null 2>&1; then "
    "echo 'The older helper could not be stopped.' >&2; exit 1; fi; fi; "
    "if '/bin/launchctl' print 'system/com.zephrane.Fanwarden' >/dev/null 2>&1; then "
    "echo 'The older helper is still registered.' >&2; exit 1; fi; "
    "if '/usr/bin/pgrep' -f -x '/Library/PrivilegedHelperTools/com.zephrane.Fanwarden' >/dev/null 2>&1; then "
    "echo 'The older helper is still running.' >&2; exit 1; fi; "
    "'/bin/rm' -f -- '/Library/PrivilegedHelperTools/com.zephrane.Fanwarden' "
    "'/Library/LaunchDaemons/com.zephrane.Fanwarden.plist'";

const std::string kNumber{adminscript::errorNumberKey};
const std::string kMessage{adminscript::errorMessageKey};

ErrorInfo info(std::initializer_list<std::pair<const std::string, ErrorValue>> entries) { return ErrorInfo(entries); }
ErrorInfo numbered(std::int64_t number, const std::string& message) {
    return info({{kNumber, ErrorValue::ofInteger(number)}, {kMessage, ErrorValue::ofText(message)}});
}

// Restores an environment variable when the test ends.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnvironment() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(LegacyHelperInstallTextTest, ShellQuotingWrapsAndReplacesEverySingleQuote) {
    EXPECT_EQ(shellQuoted("a'b"), "'a'\"'\"'b'");
    EXPECT_EQ(shellQuoted("a'b").size(), 9u);
    EXPECT_EQ(shellQuoted(""), "''");
    EXPECT_EQ(shellQuoted("''"), "''\"'\"''\"'\"''");
    EXPECT_EQ(shellQuoted("$HOME `x` \"y\" \\"), "'$HOME `x` \"y\" \\'");
}

TEST(LegacyHelperInstallTextTest, CleanupScriptForTheDefaultProgramsIsOneExactLine) {
    EXPECT_EQ(cleanupScript("/bin/launchctl", "/usr/bin/pgrep", "/bin/rm"), kDefaultScript);
    EXPECT_EQ(cleanupScript("/bin/launchctl", "/usr/bin/pgrep", "/bin/rm", "/"), kDefaultScript);
    EXPECT_EQ(Layout{}.launchctl, "/bin/launchctl");
    EXPECT_EQ(Layout{}.pgrep, "/usr/bin/pgrep");
    EXPECT_EQ(Layout{}.rm, "/bin/rm");
}

TEST(LegacyHelperInstallTextTest, SystemRootMovesOnlyTheLegacyPaths) {
    const std::string script = cleanupScript("/r/bin/launchctl", "/usr/bin/pgrep", "/bin/rm", "/tmp/it's root/");
    EXPECT_NE(script.find("-f -x '/tmp/it'\"'\"'s root/Library/PrivilegedHelperTools/com.zephrane.Fanwarden' "),
              std::string::npos);
    EXPECT_TRUE(script.ends_with("'/bin/rm' -f -- '/tmp/it'\"'\"'s root/Library/PrivilegedHelperTools/"
                                 "com.zephrane.Fanwarden' '/tmp/it'\"'\"'s root/Library/LaunchDaemons/"
                                 "com.zephrane.Fanwarden.plist'"));
    EXPECT_NE(script.find(" bootout 'system/com.zephrane.Fanwarden' "), std::string::npos);
}

TEST(LegacyHelperInstallTextTest, AppleScriptSourceEscapesBackslashesFirst) {
    struct Case {
        const char* edge;
        std::string script;
        std::string escaped;
    };
    const Case cases[] = {
        {"nothing to escape", "ls -l", "ls -l"},
        {"backslash", R"(a\b)", R"(a\\b)"},
        {"double quote", R"(say "x")", R"(say \"x\")"},
        {"carriage return", "a\rb", R"(a\rb)"},
        {"line feed", "a\nb", R"(a\nb)"},
        {"backslash before a quote is doubled, the quote escaped once", R"(\")", R"(\\\")"},
        {"backslash and n stay two characters", R"(\n)", R"(\\n)"},
        {"single quotes untouched", "'a'", "'a'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        const std::string source = appleScriptSource(c.script);
        EXPECT_EQ(source, "do shell script \"" + c.escaped + "\" with administrator privileges");
        EXPECT_EQ(adminscript::shellScriptFromSource(source), c.script);
    }
    EXPECT_EQ(adminscript::shellScriptFromSource(appleScriptSource(kDefaultScript)), kDefaultScript);
}

TEST(LegacyHelperInstallTextTest, FailureReasonFromErrorNumberAndMessage) {
    struct Case {
        const char* edge;
        std::optional<std::int64_t> number;
        std::optional<std::string> message;
        std::optional<std::string> reason;
    };
    const Case cases[] = {
        {"cancelled, whatever the message", -128, "The older helper is still running.", std::nullopt},
        {"cancelled without a message", -128, std::nullopt, std::nullopt},
        {"message trimmed", 1, " \t The older helper is still running.\r\n", "The older helper is still running."},
        {"inner white space kept", 1, "a  b\nc\n", "a  b\nc"},
        {"Unicode spaces trimmed too", 1, "\u00a0\u2003x\u3000\u2028", "x"},
        {"white space only", 1, " \n\t\r ", "unknown administrator error"},
        {"empty message", 1, "", "unknown administrator error"},
        {"no message", 1, std::nullopt, "unknown administrator error"},
        {"neither", std::nullopt, std::nullopt, "unknown administrator error"},
        {"message without number", std::nullopt, "denied", "denied"},
        {"broken UTF-8 is not white space", 1, "\xc2", "\xc2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(cleanupFailureReason(c.number, c.message), c.reason);
    }
}

TEST(LegacyHelperInstallTextTest, CleanupErrorDescriptionsAndEquality) {
    EXPECT_EQ(CleanupError::failed("x").localizedDescription(), "The older fan-control helper could not be removed: x");
    EXPECT_STREQ(CleanupError::failed("x").what(), "The older fan-control helper could not be removed: x");
    EXPECT_EQ(CleanupError::cancelled().localizedDescription(),
              "Administrator approval was cancelled. The older helper was not removed.");
    EXPECT_EQ(CleanupError::failed("x"), CleanupError::failed("x"));
    EXPECT_NE(CleanupError::failed("x"), CleanupError::failed("y"));
    EXPECT_NE(CleanupError::failed(""), CleanupError::cancelled());
    EXPECT_EQ(CleanupError::cancelled(), CleanupError::cancelled());
}

TEST(LegacyHelperInstallLayoutTest, SystemRootComesFromTheEnvironment) {
    {
        ScopedEnvironment unset("ZEPHRANE_SYSTEM_ROOT", nullptr);
        const Layout layout = Layout::fromEnvironment();
        EXPECT_EQ(layout.systemRoot, "/");
        EXPECT_EQ(layout.launchctl, "/bin/launchctl");
        EXPECT_EQ(layout.rooted(legacyExecutablePath), "/Library/PrivilegedHelperTools/com.zephrane.Fanwarden");
    }
    {
        ScopedEnvironment empty("ZEPHRANE_SYSTEM_ROOT", "");
        EXPECT_EQ(Layout::fromEnvironment().launchctl, "/bin/launchctl");
    }
    {
        ScopedEnvironment moved("ZEPHRANE_SYSTEM_ROOT", "/tmp/sysroot/");
        const Layout layout = Layout::fromEnvironment();
        EXPECT_EQ(layout.launchctl, "/tmp/sysroot/bin/launchctl");
        EXPECT_EQ(layout.rooted(legacyPropertyListPath),
                  "/tmp/sysroot/Library/LaunchDaemons/com.zephrane.Fanwarden.plist");
        EXPECT_EQ(layout.pgrep, "/usr/bin/pgrep");
    }
    {
        // The script runs elsewhere than our working folder.
        ScopedEnvironment relative("ZEPHRANE_SYSTEM_ROOT", "relative-root");
        const Layout layout = Layout::fromEnvironment();
        EXPECT_TRUE(layout.systemRoot.starts_with('/')) << layout.systemRoot;
        EXPECT_TRUE(layout.launchctl.ends_with("/relative-root/bin/launchctl")) << layout.launchctl;
    }
}

TEST(LegacyHelperInstallLayoutTest, OlderInstallIsPresentWhenEitherFileExists) {
    const Layout layout = Layout::underRoot("/sys-root");
    const std::string executable = "/sys-root/Library/PrivilegedHelperTools/com.zephrane.Fanwarden";
    const std::string propertyList = "/sys-root/Library/LaunchDaemons/com.zephrane.Fanwarden.plist";
    struct Case {
        const char* edge;
        bool executable;
        bool propertyList;
        bool present;
    };
    const Case cases[] = {
        {"neither", false, false, false},
        {"executable only", true, false, true},
        {"property list only", false, true, true},
        {"both", true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        FakeFileManager files;
        if (c.executable) files.set(executable, {});
        if (c.propertyList) files.set(propertyList, {});
        // The same files at the real root do not count under another root.
        files.set(std::string(legacyExecutablePath), {});
        EXPECT_EQ(isLegacyInstallPresent(files, layout), c.present);
    }
}

TEST(LegacyHelperRemovalTest, RunsTheCleanupScriptAndMapsItsErrors) {
    struct Case {
        const char* edge;
        std::optional<ErrorInfo> answer;
        std::optional<CleanupError> expected;
    };
    const Case cases[] = {
        {"success", std::nullopt, std::nullopt},
        {"cancelled as an integer", numbered(-128, "User canceled."), CleanupError::cancelled()},
        {"cancelled as a floating number", info({{kNumber, ErrorValue::ofFloating(-128.0)}}),
         CleanupError::cancelled()},
        {"script stopped at a check", numbered(1, "The older helper is still running.\n"),
         CleanupError::failed("The older helper is still running.")},
        {"white-space message", numbered(1, " \n"), CleanupError::failed("unknown administrator error")},
        {"empty information", info({}), CleanupError::failed("unknown administrator error")},
        {"number stored as text is no number",
         info({{kNumber, ErrorValue::ofText("-128")}, {kMessage, ErrorValue::ofText("odd")}}),
         CleanupError::failed("odd")},
        {"number no integer holds", info({{kNumber, ErrorValue::ofFloating(1e300)}}),
         CleanupError::failed("unknown administrator error")},
    };
    const Layout layout = Layout::underRoot("/sys-root");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        adminscript::FakeAppleScriptFactory scripts;
        scripts.setHandler([&](const std::string&) { return c.answer; });
        std::optional<CleanupError> thrown;
        try {
            removeLegacyHelper(scripts, layout);
        } catch (const CleanupError& error) {
            thrown = error;
        }
        EXPECT_EQ(thrown, c.expected);
        const std::string script = cleanupScript("/sys-root/bin/launchctl", "/usr/bin/pgrep", "/bin/rm", "/sys-root");
        EXPECT_EQ(scripts.sources(), std::vector{appleScriptSource(script)});
        EXPECT_EQ(scripts.executedScripts().size(), 1u);
    }
}

TEST(LegacyHelperRemovalTest, ScriptThatCannotBeCreatedFailsWithoutRunning) {
    adminscript::FakeAppleScriptFactory scripts;
    scripts.refuseCreation();
    try {
        removeLegacyHelper(scripts, Layout{});
        FAIL() << "no error";
    } catch (const CleanupError& error) {
        EXPECT_EQ(error, CleanupError::failed("could not create the administrator approval request"));
    }
    EXPECT_TRUE(scripts.executedScripts().empty());
}

// A prompt that stays open until the test answers it, or until a generous
// deadline passes (then it reports a failure instead of hanging the suite).
class SlowPrompt {
public:
    std::optional<ErrorInfo> show(std::optional<ErrorInfo> answer) {
        std::unique_lock lock(mutex_);
        shown_ = true;
        if (!changed_.wait_for(lock, kGenerousDeadline, [&] { return answered_; }))
            return numbered(99, "never answered");
        if (throws_) throw std::runtime_error("prompt broke");
        return answer;
    }
    bool shown() const {
        std::lock_guard lock(mutex_);
        return shown_;
    }
    void answer(bool throws = false) {
        std::lock_guard lock(mutex_);
        answered_ = true;
        throws_ = throws;
        changed_.notify_all();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool shown_ = false;
    bool answered_ = false;
    bool throws_ = false;
};

struct Outcome {
    bool done = false;
    QThread* resumedOn = nullptr;
    std::optional<CleanupError> cleanupError;
    std::string otherError;
};

// The outcome is shared: a test that gives up early must not leave the
// coroutine writing into a finished test's stack.
QCoro::Task<void> removeAndRecord(Actor& worker, std::shared_ptr<adminscript::AppleScriptFactory> scripts,
                                  std::shared_ptr<Outcome> outcome) {
    try {
        QCoro::Task<void> removal = removeLegacyHelperInBackground(worker, std::move(scripts), Layout::underRoot("/sys-root"));
        co_await std::move(removal);
    } catch (const CleanupError& error) {
        outcome->cleanupError = error;
    } catch (const std::exception& error) {
        outcome->otherError = error.what();
    }
    outcome->resumedOn = QThread::currentThread();
    outcome->done = true;
}

// Runs this thread's event loop until the condition holds or a generous
// deadline passes; counts the 5 ms ticks of a timer on this loop meanwhile.
template <class Condition>
bool spinUntil(Condition condition, int* ticks = nullptr) {
    QEventLoop loop;
    QTimer timer;
    const auto deadline = std::chrono::steady_clock::now() + kGenerousDeadline;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (ticks) ++*ticks;
        if (condition() || std::chrono::steady_clock::now() >= deadline) loop.quit();
    });
    timer.start(5ms);
    if (!condition()) loop.exec();
    return condition();
}

struct BackgroundCase {
    const char* edge;
    std::optional<ErrorInfo> answer;
    bool promptThrows;
    std::optional<CleanupError> cleanupError;
    std::string otherError;
};

TEST(LegacyHelperRemovalInBackgroundTest, EventLoopKeepsRunningWhilePromptIsOpenAndResultComesBackOnIt) {
    const BackgroundCase cases[] = {
        {"approved", std::nullopt, false, std::nullopt, ""},
        {"dismissed", numbered(-128, "User canceled."), false, CleanupError::cancelled(), ""},
        {"script failed", numbered(1, "The older helper is still registered."), false,
         CleanupError::failed("The older helper is still registered."), ""},
        {"prompt itself broke", std::nullopt, true, std::nullopt, "prompt broke"},
    };
    Actor worker(QStringLiteral("install"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        auto prompt = std::make_shared<SlowPrompt>();
        auto scripts = std::make_shared<adminscript::FakeAppleScriptFactory>();
        scripts->setHandler([prompt, answer = c.answer](const std::string&) { return prompt->show(answer); });

        auto outcome = std::make_shared<Outcome>();
        QCoro::Task<void> removal = removeAndRecord(worker, scripts, outcome);
        int ticks = 0;
        // The prompt is open on the worker and this thread's timers keep firing.
        ASSERT_TRUE(spinUntil([&] { return prompt->shown() && ticks >= 10; }, &ticks));
        EXPECT_FALSE(outcome->done);
        prompt->answer(c.promptThrows);
        ASSERT_TRUE(spinUntil([&] { return outcome->done; }));

        EXPECT_EQ(outcome->resumedOn, QThread::currentThread());
        EXPECT_EQ(outcome->cleanupError, c.cleanupError);
        EXPECT_EQ(outcome->otherError, c.otherError);
    }
}

TEST(LegacyHelperRemovalInBackgroundTest, CallerThatStopsAwaitingLeavesTheRemovalToFinishSafely) {
    auto prompt = std::make_shared<SlowPrompt>();
    auto scripts = std::make_shared<adminscript::FakeAppleScriptFactory>();
    scripts->setHandler([prompt](const std::string&) { return prompt->show(std::nullopt); });
    std::weak_ptr<adminscript::FakeAppleScriptFactory> watched = scripts;
    Actor worker(QStringLiteral("install"));
    {
        QCoro::Task<void> removal = removeLegacyHelperInBackground(worker, std::move(scripts), Layout{});
        ASSERT_TRUE(spinUntil([&] { return prompt->shown(); }));
    }  // the awaiting side is gone while the prompt is still open
    ASSERT_FALSE(watched.expired()) << "the worker lost the factory it is using";
    prompt->answer();
    // The worker lets go of everything once the script has run.
    EXPECT_TRUE(spinUntil([&] { return watched.expired(); }));
    // Let the abandoned coroutine resume, finish and free itself.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The app quits with the worker gone: the removal fails at once instead of
// leaving its caller waiting, and no prompt is shown.
TEST(LegacyHelperRemovalInBackgroundTest, AStoppedWorkerRefusesTheRemoval) {
    auto scripts = std::make_shared<adminscript::FakeAppleScriptFactory>();
    Actor worker(QStringLiteral("install"));
    worker.stop();
    auto outcome = std::make_shared<Outcome>();
    QCoro::Task<void> removal = removeAndRecord(worker, scripts, outcome);
    ASSERT_TRUE(spinUntil([&] { return outcome->done; }));
    EXPECT_EQ(outcome->otherError, ActorStopped().what());
    EXPECT_TRUE(scripts->executedScripts().empty());
}

}  // namespace
}  // namespace zephrane::LegacyHelperInstall
