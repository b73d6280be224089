#include "platform/workspace/ApplicationIdentifiers.hpp"

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "shared/WorkloadPolicy.hpp"

namespace zephrane::workspace {
namespace {

namespace fs = std::filesystem;
using Lookups = std::map<std::string, std::optional<std::string>>;

TEST(ApplicationIdentifiersTest, ParsesAnObjectOfNamesAndSkipsWhatIsNotOne) {
    struct Case {
        const char* edge;
        std::string json;
        std::size_t size;
        Lookups lookups;
    };
    const Case cases[] = {
        {"names map to identifiers, exactly and case-sensitively",
         R"({"blender": "org.blenderfoundation.blender", "Xcode": "com.apple.dt.Xcode"})",
         2,
         {{"blender", "org.blenderfoundation.blender"}, {"Blender", std::nullopt}, {"xcode", std::nullopt},
          {"blend", std::nullopt}}},
        {"entries that are not a non-empty string are skipped, the rest kept",
         R"({"ffmpeg": 7, "ghb": null, "obs": "", "kdenlive": ["org.kde.kdenlive"], "": "no.name",
             "resolve": "com.blackmagic-design.DaVinciResolve"})",
         1,
         {{"resolve", "com.blackmagic-design.DaVinciResolve"}, {"ffmpeg", std::nullopt}, {"obs", std::nullopt},
          {"", std::nullopt}}},
        {"a name with spaces", R"({"Final Cut Pro": "com.apple.FinalCut"})", 1,
         {{"Final Cut Pro", "com.apple.FinalCut"}}},
        {"not JSON", R"({"blender": "org.blenderfoundation.blender")", 0, {{"blender", std::nullopt}}},
        {"an array", R"([["blender", "org.blenderfoundation.blender"]])", 0, {{"blender", std::nullopt}}},
        {"a string", R"("org.blenderfoundation.blender")", 0, {}},
        {"empty text", "", 0, {}},
        {"binary garbage", std::string("\x00\xff{\"a\":\"b\"}", 11), 0, {{"a", std::nullopt}}},
        {"nesting far deeper than any real file", std::string(200000, '[') + std::string(200000, ']'), 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        const auto identifiers = ApplicationIdentifiers::parse(c.json);
        EXPECT_EQ(identifiers.size(), c.size);
        for (const auto& [name, expected] : c.lookups) EXPECT_EQ(identifiers.identifier(name), expected) << name;
    }
}

class IdentifiersFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zephrane-identifiers-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return (dir_ / name).string();
    }

    fs::path dir_;
};

TEST_F(IdentifiersFile, UnusableFilesGiveNoIdentifiers) {
    const std::string big = R"({"blender": "org.blenderfoundation.blender", "pad": ")" +
                            std::string(ApplicationIdentifiers::kMaximumFileSize, 'x') + "\"}";
    const struct {
        const char* edge;
        std::string path;
    } cases[] = {
        {"missing", (dir_ / "absent.json").string()},
        {"a folder", dir_.string()},
        {"garbage", write("garbage.json", "blender=org.blenderfoundation.blender\n")},
        {"larger than any real table", write("big.json", big)},
        {"empty path", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        const auto identifiers = ApplicationIdentifiers::load(c.path);
        EXPECT_EQ(identifiers.size(), 0u);
        EXPECT_EQ(identifiers.identifier("blender"), std::nullopt);
    }
}

TEST_F(IdentifiersFile, LoadsAWellFormedFile) {
    const auto path = write("ok.json", R"({"blender": "org.blenderfoundation.blender"})");
    EXPECT_EQ(ApplicationIdentifiers::load(path).identifier("blender"), "org.blenderfoundation.blender");
}

TEST(ApplicationIdentifiersTest, TheEnvironmentNamesAnotherFile) {
    ::setenv("ZEPHRANE_APPLICATION_IDENTIFIERS", "/tmp/mine.json", 1);
    EXPECT_EQ(ApplicationIdentifiers::defaultPath(), "/tmp/mine.json");
    ::setenv("ZEPHRANE_APPLICATION_IDENTIFIERS", "", 1);
    EXPECT_EQ(ApplicationIdentifiers::defaultPath(), ApplicationIdentifiers::bundledPath());
    ::unsetenv("ZEPHRANE_APPLICATION_IDENTIFIERS");
    EXPECT_EQ(ApplicationIdentifiers::defaultPath(), ApplicationIdentifiers::bundledPath());
}

// The file the app ships: every entry is usable, and every heavy application
// of the boost table is reachable from some executable, or its boost could
// never apply on Linux.
TEST(ApplicationIdentifiersTest, ShippedFileNamesAnExecutableForEveryHeavyApplication) {
    std::ifstream in(ZEPHRANE_SHIPPED_IDENTIFIERS);
    const auto entries = nlohmann::json::parse(in);
    const auto identifiers = ApplicationIdentifiers::load(ZEPHRANE_SHIPPED_IDENTIFIERS);
    ASSERT_EQ(identifiers.size(), entries.size()) << "an entry of the shipped file is skipped";

    for (const auto& app : WorkloadPolicy::heavyApps()) {
        SCOPED_TRACE(app.bundleID);
        int executables = 0;
        for (const auto& [name, value] : entries.items())
            if (identifiers.identifier(name) == std::string(app.bundleID)) ++executables;
        EXPECT_GE(executables, 1);
    }
}

}  // namespace
}  // namespace zephrane::workspace
