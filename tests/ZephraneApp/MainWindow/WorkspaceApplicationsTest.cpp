// The running applications over the real /proc: a program the mapping file
// names as a known fan-control application is found by its identifier,
// looked up by its process identifier and quit; a broken mapping file costs
// the identifiers, not the look-ups.
#include "ZephraneApp/MainWindow/WorkspaceApplications.hpp"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include <qcoro/qcorotask.h>

#include "PresenterTesting.hpp"

extern char** environ;

namespace zephrane::mainwindow {
namespace {

namespace fs = std::filesystem;

class WorkspaceApplicationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zephrane-competitor-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Named for this run alone: the scan sees every process of the user.
        name_ = "TG Pro " + std::to_string(::getpid());
        program_ = dir_ / name_;
        fs::copy_file("/bin/sleep", program_);
        std::ofstream(dir_ / "identifiers.json") << R"({")" << name_ << R"(": "com.tunabellysoftware.TGPro"})";
        std::ofstream(dir_ / "broken.json") << R"({")" << name_ << R"(": )";
    }
    void TearDown() override {
        if (child_ > 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        fs::remove_all(dir_);
    }

    void start() {
        std::string path = program_.string();
        std::string seconds = "60";
        char* argv[] = {path.data(), seconds.data(), nullptr};
        ASSERT_EQ(::posix_spawn(&child_, path.c_str(), nullptr, nullptr, argv, environ), 0);
    }
    int endingSignal() {
        int status = 0;
        if (!testing::settleUntil([&] { return ::waitpid(child_, &status, WNOHANG) == child_; })) return 0;
        child_ = 0;
        return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }

    fs::path dir_;
    std::string name_;
    fs::path program_;
    pid_t child_ = 0;
};

TEST_F(WorkspaceApplicationsTest, AMappedProgramIsNamedLookedUpAndQuit) {
    WorkspaceApplications applications((dir_ / "identifiers.json").string());
    EXPECT_FALSE(QCoro::waitFor(applications.identifiers()).contains("com.tunabellysoftware.TGPro"));
    start();
    ASSERT_TRUE(testing::settleUntil(
        [&] { return QCoro::waitFor(applications.identifiers()).contains("com.tunabellysoftware.TGPro"); }));

    const auto found = QCoro::waitFor(applications.application(child_));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->executableName, name_);
    EXPECT_EQ(QCoro::waitFor(applications.quit(child_, "firefox")), workspace::QuitOutcome::notNamed);
    EXPECT_EQ(QCoro::waitFor(applications.quit(child_, "tg pro " + std::to_string(::getpid()))),
              workspace::QuitOutcome::requested);
    EXPECT_EQ(endingSignal(), SIGTERM);
    EXPECT_FALSE(QCoro::waitFor(applications.identifiers()).contains("com.tunabellysoftware.TGPro"));
}

TEST_F(WorkspaceApplicationsTest, ABrokenMappingFileCostsTheIdentifiersOnly) {
    WorkspaceApplications applications((dir_ / "broken.json").string());
    start();
    ASSERT_TRUE(testing::settleUntil([&] { return QCoro::waitFor(applications.application(child_)).has_value(); }));
    EXPECT_TRUE(QCoro::waitFor(applications.identifiers()).empty());
}

}  // namespace
}  // namespace zephrane::mainwindow
