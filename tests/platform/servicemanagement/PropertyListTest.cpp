#include "platform/servicemanagement/PropertyList.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace zephrane::servicemanagement {
namespace {

std::string wrap(const std::string& body) { return "<plist version=\"1.0\">" + body + "</plist>"; }

TEST(PropertyListTest, ReadsTheDaemonPropertyListWeShip) {
    std::ifstream in(ZEPHRANE_DAEMON_PLIST);
    std::stringstream text;
    text << in.rdbuf();
    const PlistValue plist = parsePropertyList(text.str());
    ASSERT_EQ(plist.kind, PlistValue::Kind::dictionary);
    ASSERT_NE(plist.find("Label"), nullptr);
    EXPECT_EQ(plist.find("Label")->text, "com.zephrane.Fanwarden");
    EXPECT_EQ(plist.find("BundleProgram")->text, "Contents/MacOS/com.zephrane.Fanwarden");
    const PlistValue* services = plist.find("MachServices");
    ASSERT_NE(services, nullptr);
    EXPECT_EQ(services->keys, std::vector<std::string>{"com.zephrane.Fanwarden.xpc"});
    EXPECT_TRUE(services->items.at(0).boolean);
    const PlistValue* bundles = plist.find("AssociatedBundleIdentifiers");
    ASSERT_NE(bundles, nullptr);
    ASSERT_EQ(bundles->items.size(), 1U);
    EXPECT_EQ(bundles->items[0].text, "com.zephrane.app");
}

TEST(PropertyListTest, DecodesEntitiesAndEmptyElements) {
    const PlistValue plist = parsePropertyList(
        "<?xml version=\"1.0\"?>\n<!-- note -->\n<!DOCTYPE plist PUBLIC \"-//x\" \"y\">\n" +
        wrap("<dict><key>a&amp;b</key><string>&lt;&#x41;&#66;&gt; &quot;&apos;&#x20AC;</string>"
             "<key>e</key><string/><key>d</key><dict/><key>l</key><array/><key>f</key><false/>"
             "<key>n</key><integer>42</integer></dict>"));
    EXPECT_EQ(plist.find("a&b")->text, "<AB> \"'\xE2\x82\xAC");
    EXPECT_EQ(plist.find("e")->text, "");
    EXPECT_EQ(plist.find("d")->kind, PlistValue::Kind::dictionary);
    EXPECT_TRUE(plist.find("l")->items.empty());
    EXPECT_FALSE(plist.find("f")->boolean);
    EXPECT_EQ(plist.find("n")->text, "42");
    EXPECT_EQ(plist.find("missing"), nullptr);
}

TEST(PropertyListTest, RefusesWhatItDoesNotUnderstand) {
    std::string deep;
    for (int i = 0; i < kMaxPropertyListDepth + 1; ++i) deep += "<array>";
    for (int i = 0; i < kMaxPropertyListDepth + 1; ++i) deep += "</array>";
    const struct {
        const char* edge;
        std::string xml;
    } cases[] = {
        {"empty input", ""},
        {"no plist element", "<dict></dict>"},
        {"unterminated document", "<plist><dict><key>a</key><string>b</string>"},
        {"unterminated text", "<plist><string>abc"},
        {"duplicate key", wrap("<dict><key>a</key><true/><key>a</key><false/></dict>")},
        {"key without value", wrap("<dict><key>a</key></dict>")},
        {"value without key", wrap("<dict><string>a</string></dict>")},
        {"unknown element", wrap("<set/>")},
        {"mismatched close", wrap("<string>a</data>")},
        {"internal DTD subset", "<!DOCTYPE plist [<!ENTITY x \"y\">]>" + wrap("<true/>")},
        {"CDATA", wrap("<string><![CDATA[x]]></string>")},
        {"unknown entity", wrap("<string>&x;</string>")},
        {"unterminated entity", wrap("<string>&amp</string>")},
        {"NUL character reference", wrap("<string>&#0;</string>")},
        {"surrogate reference", wrap("<string>&#xD800;</string>")},
        {"out of range reference", wrap("<string>&#x110000;</string>")},
        {"text after the document", wrap("<true/>") + "<true/>"},
        {"two top-level values", wrap("<true/><true/>")},
        {"nested too deep", wrap(deep)},
        {"too large", wrap("<string>" + std::string(kMaxPropertyListBytes, 'a') + "</string>")},
    };
    for (const auto& c : cases) EXPECT_THROW(parsePropertyList(c.xml), PropertyListError) << c.edge;
}

}  // namespace
}  // namespace zephrane::servicemanagement
