#include "ZephraneApp/DesignSystem/Backdrops/BackdropResourceBundle.hpp"

#include <gtest/gtest.h>

#include "tests/ZephraneApp/DesignSystem/Backdrops/BackdropTestSupport.hpp"

namespace zephrane::BackdropResources {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryBundle;

TEST(BackdropResourceBundle, ProgramBundlesFollowTheAppLayout) {
    const CodeBundle app = codeBundleOf("/opt/b/Brumalune.app/Contents/MacOS/Brumalune");
    EXPECT_EQ(app.location, "/opt/b/Brumalune.app");
    EXPECT_EQ(app.resourceDirectory, "/opt/b/Brumalune.app/Contents/Resources");
    // Only a real .app counts; anything else is a plain program's folder.
    for (const char* program : {"/src/build/ZephraneApp/Shell/Brumalune", "/opt/b/Brumalune/Contents/MacOS/x",
                                "/opt/b/X.app/Contents/Other/x"}) {
        const CodeBundle plain = codeBundleOf(program);
        EXPECT_EQ(plain.location, fs::path(program).parent_path()) << program;
        EXPECT_EQ(plain.resourceDirectory, fs::path(program).parent_path()) << program;
    }
}

TEST(BackdropResourceBundle, CandidatesInTheirFixedOrder) {
    const CodeBundle main{"/m/App.app", "/m/App.app/Contents/Resources"};
    const CodeBundle code{"/c/lib", "/c/lib/res"};
    EXPECT_EQ(resourceBundleCandidates(main, code),
              (std::vector<fs::path>{"/m/App.app/Contents/Resources", "/c", "/c/lib/res", "/m"}));
}

TEST(BackdropResourceBundle, FirstCandidateHoldingTheBundleFolderWins) {
    TemporaryBundle one;   // holds a bundle folder
    TemporaryBundle two;   // holds one too
    TemporaryBundle fake;  // holds only a file of that name
    fs::remove_all(fake.path());
    std::ofstream(fake.path()) << "not a folder";

    EXPECT_EQ(locateResourceBundle({fake.root(), "/nonexistent", two.root(), one.root()}), two.path());
    EXPECT_EQ(locateResourceBundle({fake.root(), ""}), std::nullopt);
}

TEST(BackdropResourceBundle, PhotoInPhotosFirstThenAtTheRoot) {
    TemporaryBundle bundle;
    const BackdropPhotoAsset cirrus{"cirrus", BackdropAppearance::light};
    EXPECT_EQ(photoPath(bundle.path(), cirrus), std::nullopt);

    const auto atRoot = bundle.write("cirrus-light.heic");
    EXPECT_EQ(photoPath(bundle.path(), cirrus), atRoot);
    const auto inPhotos = bundle.write("Photos/cirrus-light.heic");
    EXPECT_EQ(photoPath(bundle.path(), cirrus), inPhotos);
    // The other appearance is another file.
    EXPECT_EQ(photoPath(bundle.path(), {"cirrus", BackdropAppearance::dark}), std::nullopt);
    // A folder with the photograph's name is not a photograph.
    fs::create_directory(bundle.path() / "Photos" / "aurora-dark.heic");
    EXPECT_EQ(photoPath(bundle.path(), {"aurora", BackdropAppearance::dark}), std::nullopt);
}

}  // namespace
}  // namespace zephrane::BackdropResources
