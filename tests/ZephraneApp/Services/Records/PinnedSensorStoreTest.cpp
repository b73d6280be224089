#include "ZephraneApp/Services/Records/PinnedSensorStore.hpp"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

const QString kKey = QStringLiteral("com.zephrane.pinnedSensorKeys");

class PinnedSensorStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    QSettings settings_{dir_.filePath("settings.ini"), QSettings::IniFormat};
    PinnedSensorStore store_{settings_, kKey};
};

TEST_F(PinnedSensorStoreTest, NothingStoredLoadsEmpty) {
    EXPECT_TRUE(store_.load().empty());
}

TEST_F(PinnedSensorStoreTest, UnusableStoredValuesLoadEmptyAndStayInPlace) {
    struct Case {
        const char* edge;
        QVariant stored;
    };
    const Case cases[] = {
        {"JSON object", QByteArray(R"({"TC0P":true})")},
        {"plain text bytes", QByteArray("TC0P")},
        {"array with a number", QByteArray(R"(["TC0P",3])")},
        {"truncated array", QByteArray(R"(["TC0P")")},
        {"a string, not data", QString(R"(["TC0P"])")},
        {"a number, not data", 42},
        {"empty data", QByteArray()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        settings_.setValue(kKey, c.stored);
        EXPECT_TRUE(store_.load().empty());
        EXPECT_EQ(settings_.value(kKey), c.stored);
    }
}

TEST_F(PinnedSensorStoreTest, RepeatedKeyLoadsOnce) {
    settings_.setValue(kKey, QByteArray(R"(["TC0P","Tp09","TC0P"])"));
    EXPECT_EQ(store_.load(), (std::set<std::string>{"TC0P", "Tp09"}));
}

TEST_F(PinnedSensorStoreTest, EmptySetIsStoredAsEmptyArray) {
    store_.save({"TC0P"});
    store_.save({});
    EXPECT_EQ(settings_.value(kKey).toByteArray(), QByteArray("[]"));
    EXPECT_TRUE(store_.load().empty());
}

TEST_F(PinnedSensorStoreTest, SavedSetSurvivesReopeningTheSettingsFile) {
    const std::set<std::string> keys{"Tp09", "TC0P", "TG0D"};
    store_.save(keys);
    settings_.sync();

    QSettings reopened(dir_.filePath("settings.ini"), QSettings::IniFormat);
    EXPECT_EQ(PinnedSensorStore(reopened, kKey).load(), keys);
}

TEST_F(PinnedSensorStoreTest, ArrayOrderDoesNotMatter) {
    settings_.setValue(kKey, QByteArray(R"(["Tp09","TC0P"])"));
    EXPECT_EQ(store_.load(), (std::set<std::string>{"TC0P", "Tp09"}));
}

TEST_F(PinnedSensorStoreTest, UnencodableKeyLeavesStoredValueUnchanged) {
    store_.save({"TC0P"});
    store_.save({"TC0P", std::string("\xff\xfe", 2)});
    EXPECT_EQ(store_.load(), (std::set<std::string>{"TC0P"}));
}

}  // namespace
}  // namespace zephrane
