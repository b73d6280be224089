#include "ZephraneApp/Services/Install/HelperInstallPreflight.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "FakeFileManager.hpp"

namespace zephrane::HelperInstallPreflight {
namespace {

namespace fs = std::filesystem;
using enum EmbeddedResource;

const fs::perms kExecutable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec;
const fs::perms kReadable = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read;

// What stands at a resource's place inside a bundle on disk.
enum class Item { none, executableFile, plainFile, folder, linkToExecutable, danglingLink };

void place(const fs::path& path, Item item) {
    fs::create_directories(path.parent_path());
    switch (item) {
        case Item::none: return;
        case Item::executableFile:
        case Item::plainFile:
            std::ofstream(path) << "#!/bin/sh\n";
            fs::permissions(path, item == Item::executableFile ? kExecutable : kReadable);
            return;
        case Item::folder:
            fs::create_directory(path);
            fs::permissions(path, kExecutable);
            return;
        case Item::linkToExecutable: {
            const fs::path target = path.parent_path() / "real-target";
            place(target, Item::executableFile);
            fs::create_symlink(target, path);
            return;
        }
        case Item::danglingLink: fs::create_symlink(path.parent_path() / "nothing-here", path); return;
    }
}

QUrl fileURL(const fs::path& path) { return QUrl::fromLocalFile(QString::fromStdString(path.string())); }

class PreflightOnDisk : public ::testing::Test {
protected:
    // A bundle at dir/name with the two resources as given.
    fs::path makeBundle(const std::string& name, Item executable, Item propertyList) {
        const fs::path bundle = fs::path(dir_.path().toStdString()) / name;
        fs::create_directories(bundle / "Contents");
        place(bundle / relativePath(helperExecutable), executable);
        place(bundle / relativePath(daemonPropertyList), propertyList);
        return bundle;
    }
    fs::path root() const { return dir_.path().toStdString(); }

    QTemporaryDir dir_;
    LocalFileManager files_;
};

TEST(EmbeddedResourceTest, RawValuesAndPlacesInsideTheBundle) {
    EXPECT_EQ(allEmbeddedResources, (std::array{helperExecutable, daemonPropertyList}));
    EXPECT_EQ(rawValue(helperExecutable), "helperExecutable");
    EXPECT_EQ(rawValue(daemonPropertyList), "daemonPropertyList");
    EXPECT_EQ(relativePath(helperExecutable), "Contents/MacOS/com.zephrane.Fanwarden");
    EXPECT_EQ(relativePath(daemonPropertyList), "Contents/Library/LaunchDaemons/com.zephrane.Fanwarden.plist");
    for (const EmbeddedResource resource : allEmbeddedResources) {
        EXPECT_EQ(embeddedResource(rawValue(resource)), resource);
    }
    EXPECT_EQ(embeddedResource("HelperExecutable"), std::nullopt);
    // Built once: the same object on every call.
    EXPECT_EQ(&relativePath(helperExecutable), &relativePath(helperExecutable));
}

TEST_F(PreflightOnDisk, WhatStandsAtEachPlaceDecidesWhatIsMissing) {
    struct Case {
        const char* edge;
        Item executable;
        Item propertyList;
        std::optional<Problem> expected;
    };
    const Case cases[] = {
        {"both in place", Item::executableFile, Item::plainFile, std::nullopt},
        {"property list may be executable too", Item::executableFile, Item::executableFile, std::nullopt},
        {"executable without execute permission", Item::plainFile, Item::plainFile,
         Problem::missingResources({helperExecutable})},
        {"folder at the executable's place", Item::folder, Item::plainFile,
         Problem::missingResources({helperExecutable})},
        {"symbolic link at the executable's place", Item::linkToExecutable, Item::plainFile,
         Problem::missingResources({helperExecutable})},
        {"dangling link at the executable's place", Item::danglingLink, Item::plainFile,
         Problem::missingResources({helperExecutable})},
        {"folder at the property list's place", Item::executableFile, Item::folder,
         Problem::missingResources({daemonPropertyList})},
        {"property list missing", Item::executableFile, Item::none, Problem::missingResources({daemonPropertyList})},
        {"both missing, in case order", Item::none, Item::none,
         Problem::missingResources({helperExecutable, daemonPropertyList})},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        const std::string name = "Brumalune" + std::to_string(index++) + ".app";
        const fs::path bundle = makeBundle(name, c.executable, c.propertyList);
        EXPECT_EQ(check(fileURL(bundle), files_), c.expected);
    }
}

TEST_F(PreflightOnDisk, FileStatusReportsTheThreeFlags) {
    struct Case {
        const char* edge;
        Item item;
        FileStatus expected;
    };
    const Case cases[] = {
        {"executable file", Item::executableFile, {true, true, true}},
        {"plain file", Item::plainFile, {true, true, false}},
        {"folder", Item::folder, {true, false, true}},
        {"link to an executable file", Item::linkToExecutable, {true, false, true}},
        {"dangling link", Item::danglingLink, {false, false, false}},
        {"nothing", Item::none, {false, false, false}},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        const fs::path path = root() / ("item" + std::to_string(index++)) / "x";
        place(path, c.item);
        EXPECT_EQ(fileStatus(fileURL(path), files_), c.expected);
    }
}

TEST_F(PreflightOnDisk, BundlePathIsStandardisedBeforeItsResourcesAreLookedUp) {
    makeBundle("Brumalune.app", Item::executableFile, Item::none);
    // The property list exists only where "link/.." leads physically, not
    // where it leads once ".." is taken away from the text.
    fs::create_directories(root() / "deep" / "inner");
    fs::create_symlink(root() / "deep" / "inner", root() / "link");
    place(root() / "deep" / "Brumalune.app" / relativePath(helperExecutable), Item::executableFile);
    place(root() / "deep" / "Brumalune.app" / relativePath(daemonPropertyList), Item::plainFile);

    EXPECT_EQ(check(fileURL(root() / "link" / ".." / "Brumalune.app"), files_),
              Problem::missingResources({daemonPropertyList}));
    EXPECT_EQ(check(fileURL(root() / "." / "Brumalune.app" / "Contents" / ".."), files_),
              Problem::missingResources({daemonPropertyList}));
    // The other way round: only the textual reading finds the complete copy.
    EXPECT_EQ(check(fileURL(root() / "link" / ".." / "deep" / "Brumalune.app"), files_), std::nullopt);
}

TEST(PreflightLocationTest, VolumesAndTranslocationAreUnsupportedLocations) {
    struct Case {
        const char* edge;
        QUrl url;
        bool unsupported;
    };
    const Case cases[] = {
        {"exactly /Volumes", QUrl::fromLocalFile("/Volumes"), true},
        {"/Volumes with a trailing slash", QUrl::fromLocalFile("/Volumes/"), true},
        {"below /Volumes", QUrl::fromLocalFile("/Volumes/x"), true},
        {"a disk image's app", QUrl::fromLocalFile("/Volumes/Brumalune/Brumalune.app"), true},
        {"doubled slash", QUrl::fromLocalFile("/Volumes//x"), true},
        {"reaching /Volumes through ..", QUrl::fromLocalFile("/Applications/../Volumes/B.app"), true},
        {"leaving /Volumes through ..", QUrl::fromLocalFile("/Volumes/../Applications/B.app"), false},
        {"a name that only begins with Volumes", QUrl::fromLocalFile("/VolumesX"), false},
        {"below such a name", QUrl::fromLocalFile("/VolumesX/B.app"), false},
        {"Volumes deeper down", QUrl::fromLocalFile("/Users/me/Volumes/B.app"), false},
        {"translocated", QUrl::fromLocalFile("/a/AppTranslocation/b"), true},
        {"translocated, found after .", QUrl::fromLocalFile("/private/var/./AppTranslocation/X/d/B.app"), true},
        {"translocation as the last component", QUrl::fromLocalFile("/a/AppTranslocation"), true},
        {"a component that only begins with it", QUrl::fromLocalFile("/a/AppTranslocationX/b"), false},
        {"a component that only ends with it", QUrl::fromLocalFile("/a/xAppTranslocation/b"), false},
        {"other casing", QUrl::fromLocalFile("/a/apptranslocation/b"), false},
        {"an ordinary place", QUrl::fromLocalFile("/Applications/Brumalune.app"), false},
    };
    FakeFileManager nothing;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(isTranslocatedOrExternal(c.url), c.unsupported);
        if (c.unsupported) {
            EXPECT_EQ(check(c.url, nothing), Problem::unsupportedLocation());
        }
    }
}

TEST(PreflightLocationTest, AnythingButAFileURLIsAnUnsupportedLocation) {
    FakeFileManager complete;
    complete.set("/Volumes/x/Contents/MacOS/com.zephrane.Fanwarden", {true, true, true});
    complete.set("/Volumes/x/Contents/Library/LaunchDaemons/com.zephrane.Fanwarden.plist", {true, true, false});
    for (const QUrl& url : {QUrl("https://example.com/Volumes/x"), QUrl("smb://server/Applications/B.app"), QUrl()}) {
        SCOPED_TRACE(url.toString().toStdString());
        EXPECT_FALSE(isTranslocatedOrExternal(url));  // only file URLs have such a path
        EXPECT_EQ(check(url, complete), Problem::unsupportedLocation());
    }
}

TEST(PreflightFakeFilesTest, ARegularFileValueThatCannotBeReadCountsAsNotRegular) {
    const std::string executable = "/Applications/Brumalune.app/Contents/MacOS/com.zephrane.Fanwarden";
    const std::string propertyList =
        "/Applications/Brumalune.app/Contents/Library/LaunchDaemons/com.zephrane.Fanwarden.plist";
    FakeFileManager files;
    files.set(executable, {true, std::nullopt, true});
    files.set(propertyList, {true, std::nullopt, false});
    // Trailing slash and "." are standardised away before the lookup.
    const QUrl bundle = QUrl::fromLocalFile("/Applications/./Brumalune.app/");
    EXPECT_EQ(check(bundle, files), Problem::missingResources({helperExecutable, daemonPropertyList}));

    files.set(executable, {true, true, true});
    files.set(propertyList, {true, true, false});
    EXPECT_EQ(check(bundle, files), std::nullopt);
}

}  // namespace
}  // namespace zephrane::HelperInstallPreflight
