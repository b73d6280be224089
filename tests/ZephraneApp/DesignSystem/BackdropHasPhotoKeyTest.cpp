// "A photograph lies behind" reaches every item below the window or sheet
// that sets it, follows later changes and reparenting, and is false
// outside any of them; glass surfaces read it as "over media".
#include "ZephraneApp/DesignSystem/Backdrops/BackdropHasPhotoKey.hpp"

#include <QQmlComponent>
#include <QQuickItem>

#include <gtest/gtest.h>

#include "DesignQmlSupport.hpp"

namespace zephrane::design::testing {
namespace {

constexpr const char* kScene = R"(
import QtQuick
import Zephrane.Design

Item {
    Item { objectName: "outside"; property bool reads: BackdropHasPhotoKey.backdropHasPhoto }
    Item {
        objectName: "window"
        BackdropHasPhotoKey.backdropHasPhoto: true
        Item { Item { objectName: "deep"; property bool reads: BackdropHasPhotoKey.backdropHasPhoto } }
        GlassSurface { objectName: "glass" }
        GlassSurface { objectName: "plainGlass"; overMedia: false }
        Item {
            objectName: "sheet"
            BackdropHasPhotoKey.backdropHasPhoto: false
            Item { objectName: "inSheet"; property bool reads: BackdropHasPhotoKey.backdropHasPhoto }
        }
    }
    Item {
        objectName: "later"
        Item { Item { objectName: "underLater"; property bool reads: BackdropHasPhotoKey.backdropHasPhoto } }
    }
}
)";

class BackdropHasPhotoKeyTest : public ::testing::Test {
protected:
    BackdropHasPhotoKeyTest() {
        prepareEngine(engine_);
        QQmlComponent component(&engine_);
        component.setData(kScene, QUrl(QStringLiteral("qrc:/test/HasPhoto.qml")));
        EXPECT_TRUE(component.isReady()) << component.errorString().toStdString();
        root_.reset(qobject_cast<QQuickItem*>(component.create()));
    }
    QQuickItem* item(const char* name) const { return root_->findChild<QQuickItem*>(QString::fromLatin1(name)); }
    bool reads(const char* name) const { return item(name)->property("reads").toBool(); }
    BackdropHasPhotoAttached* key(const char* name) const {
        return qobject_cast<BackdropHasPhotoAttached*>(qmlAttachedPropertiesObject<BackdropHasPhotoKey>(item(name)));
    }

    WarningNet net_;
    QQmlEngine engine_;
    std::unique_ptr<QQuickItem> root_;
};

TEST_F(BackdropHasPhotoKeyTest, TheNearestSetterWinsAndOutsideEverythingItIsFalse) {
    ASSERT_TRUE(root_);
    EXPECT_FALSE(reads("outside"));
    EXPECT_TRUE(reads("deep"));
    EXPECT_FALSE(reads("inSheet"));
    EXPECT_FALSE(reads("underLater"));
    EXPECT_TRUE(BackdropHasPhotoKey::valueFor(item("deep")));
    EXPECT_FALSE(BackdropHasPhotoKey::valueFor(item("outside")));
    // Glass takes the clear look over a photograph unless told otherwise.
    EXPECT_TRUE(item("glass")->property("overMedia").toBool());
    EXPECT_FALSE(item("plainGlass")->property("overMedia").toBool());
    EXPECT_TRUE(net_.caught().isEmpty()) << net_.caught().join('\n').toStdString();
}

TEST_F(BackdropHasPhotoKeyTest, ChangesUpTheTreeReachEveryReaderAtOnce) {
    ASSERT_TRUE(root_);
    key("window")->setBackdropHasPhoto(false);  // the backdrop switched to the material
    EXPECT_FALSE(reads("deep"));
    EXPECT_FALSE(item("glass")->property("overMedia").toBool());
    key("window")->setBackdropHasPhoto(true);
    EXPECT_TRUE(reads("deep"));
    EXPECT_FALSE(reads("inSheet")) << "the sheet's own value still holds below it";

    // An item that starts setting the value after its readers resolved.
    key("later")->setBackdropHasPhoto(true);
    EXPECT_TRUE(reads("underLater"));
    key("later")->resetBackdropHasPhoto();
    EXPECT_FALSE(reads("underLater"));

    key("sheet")->resetBackdropHasPhoto();  // the sheet now inherits from the window
    EXPECT_TRUE(reads("inSheet"));
}

TEST_F(BackdropHasPhotoKeyTest, ReparentedItemsReadTheirNewPlace) {
    ASSERT_TRUE(root_);
    item("outside")->setParentItem(item("window"));
    EXPECT_TRUE(reads("outside"));
    item("deep")->setParentItem(item("sheet"));
    EXPECT_FALSE(reads("deep"));
    // An ancestor without a reader of its own moves: its descendants follow.
    item("underLater")->parentItem()->setParentItem(item("window"));
    EXPECT_TRUE(reads("underLater"));
    item("underLater")->parentItem()->setParentItem(nullptr);
    EXPECT_FALSE(reads("underLater"));
}

}  // namespace
}  // namespace zephrane::design::testing
