#include "platform/servicemanagement/PropertyList.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

namespace zephrane::servicemanagement {

const PlistValue* PlistValue::find(std::string_view key) const {
    if (kind != Kind::dictionary) return nullptr;
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key) return &items[i];
    return nullptr;
}

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class Parser {
public:
    explicit Parser(std::string_view xml) : xml_(xml) {}

    PlistValue document() {
        if (xml_.size() > kMaxPropertyListBytes) fail("larger than " + std::to_string(kMaxPropertyListBytes) + " bytes");
        if (xml_.starts_with("\xEF\xBB\xBF")) position_ = 3;
        skipMisc();
        const Tag plist = openTag();
        if (plist.name != "plist" || plist.selfClosing) fail("the document is not a <plist>");
        skipMisc();
        PlistValue value = parseValue(1);
        skipMisc();
        closeTag("plist");
        skipMisc();
        if (position_ != xml_.size()) fail("text after </plist>");
        return value;
    }

private:
    struct Tag {
        std::string name;
        bool selfClosing = false;
    };

    [[noreturn]] void fail(const std::string& why) const {
        throw PropertyListError("invalid property list at byte " + std::to_string(position_) + ": " + why);
    }

    bool lookingAt(std::string_view text) const { return xml_.substr(position_).starts_with(text); }

    void skipPast(std::string_view terminator, std::string_view what) {
        const auto end = xml_.find(terminator, position_);
        if (end == std::string_view::npos) fail("unterminated " + std::string(what));
        position_ = end + terminator.size();
    }

    // Whitespace, comments, the XML declaration and a DOCTYPE without an
    // internal subset: everything that may sit between elements.
    void skipMisc() {
        for (;;) {
            while (position_ < xml_.size() && isSpace(xml_[position_])) ++position_;
            if (lookingAt("<?")) {
                skipPast("?>", "processing instruction");
            } else if (lookingAt("<!--")) {
                skipPast("-->", "comment");
            } else if (lookingAt("<!DOCTYPE")) {
                const auto end = xml_.find('>', position_);
                if (end == std::string_view::npos) fail("unterminated DOCTYPE");
                if (xml_.substr(position_, end - position_).find('[') != std::string_view::npos)
                    fail("a DOCTYPE with an internal subset");
                position_ = end + 1;
            } else {
                return;
            }
        }
    }

    Tag openTag() {
        if (!lookingAt("<") || lookingAt("</")) fail("expected an element");
        ++position_;
        Tag tag;
        while (position_ < xml_.size() && (std::isalnum(static_cast<unsigned char>(xml_[position_])) != 0))
            tag.name += xml_[position_++];
        if (tag.name.empty()) fail("expected an element name");
        // Attributes (plist's version) are skipped; a quoted '>' stays inside its quotes.
        char quote = 0;
        for (; position_ < xml_.size(); ++position_) {
            const char c = xml_[position_];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                tag.selfClosing = position_ > 0 && xml_[position_ - 1] == '/';
                ++position_;
                return tag;
            } else if (c == '<') {
                break;
            }
        }
        fail("unterminated <" + tag.name + ">");
    }

    void closeTag(std::string_view name) {
        const std::string expected = "</" + std::string(name);
        if (!lookingAt(expected)) fail("expected " + expected + ">");
        position_ += expected.size();
        while (position_ < xml_.size() && isSpace(xml_[position_])) ++position_;
        if (!lookingAt(">")) fail("expected " + expected + ">");
        ++position_;
    }

    // Character data up to the next '<', entities decoded.
    std::string text() {
        std::string out;
        while (position_ < xml_.size() && xml_[position_] != '<') {
            const char c = xml_[position_];
            if (c != '&') {
                out += c;
                ++position_;
                continue;
            }
            const auto end = xml_.find(';', position_);
            if (end == std::string_view::npos || end - position_ > 12) fail("a malformed entity");
            const std::string_view entity = xml_.substr(position_ + 1, end - position_ - 1);
            if (entity == "amp") out += '&';
            else if (entity == "lt") out += '<';
            else if (entity == "gt") out += '>';
            else if (entity == "quot") out += '"';
            else if (entity == "apos") out += '\'';
            else if (entity.starts_with('#')) out += character(entity.substr(1));
            else fail("an unknown entity &" + std::string(entity) + ";");
            position_ = end + 1;
        }
        if (position_ >= xml_.size()) fail("text runs to the end of the document");
        if (lookingAt("<![CDATA[")) fail("CDATA sections are not supported");
        return out;
    }

    std::string character(std::string_view number) {
        const bool hex = number.starts_with('x');
        if (hex) number.remove_prefix(1);
        std::uint32_t code = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), code, hex ? 16 : 10);
        if (number.empty() || ec != std::errc() || end != number.data() + number.size() || code == 0 ||
            code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            fail("a malformed character reference");
        std::string out;
        appendUtf8(out, code);
        return out;
    }

    std::string scalar(const Tag& tag) {
        if (tag.selfClosing) return {};
        std::string value = text();
        closeTag(tag.name);
        return value;
    }

    PlistValue parseValue(int depth) {
        if (depth > kMaxPropertyListDepth) fail("nested deeper than " + std::to_string(kMaxPropertyListDepth));
        const Tag tag = openTag();
        PlistValue value;
        using Kind = PlistValue::Kind;
        if (tag.name == "true" || tag.name == "false") {
            value.kind = Kind::boolean;
            value.boolean = tag.name == "true";
            if (!tag.selfClosing) closeTag(tag.name);
        } else if (tag.name == "string" || tag.name == "integer" || tag.name == "real" || tag.name == "date" ||
                   tag.name == "data") {
            value.kind = tag.name == "string"    ? Kind::string
                         : tag.name == "integer" ? Kind::integer
                         : tag.name == "real"    ? Kind::real
                         : tag.name == "date"    ? Kind::date
                                                 : Kind::data;
            value.text = scalar(tag);
        } else if (tag.name == "array") {
            value.kind = Kind::array;
            if (!tag.selfClosing) {
                for (skipMisc(); !lookingAt("</"); skipMisc()) value.items.push_back(parseValue(depth + 1));
                closeTag("array");
            }
        } else if (tag.name == "dict") {
            value.kind = Kind::dictionary;
            if (!tag.selfClosing) {
                for (skipMisc(); !lookingAt("</"); skipMisc()) {
                    const Tag key = openTag();
                    if (key.name != "key") fail("expected <key> in a <dict>, found <" + key.name + ">");
                    std::string name = scalar(key);
                    if (std::find(value.keys.begin(), value.keys.end(), name) != value.keys.end())
                        fail("the key \"" + name + "\" appears twice");
                    skipMisc();
                    value.items.push_back(parseValue(depth + 1));
                    value.keys.push_back(std::move(name));
                }
                closeTag("dict");
            }
        } else {
            fail("unknown element <" + tag.name + ">");
        }
        return value;
    }

    std::string_view xml_;
    std::size_t position_ = 0;
};

}  // namespace

PlistValue parsePropertyList(std::string_view xml) { return Parser(xml).document(); }

}  // namespace zephrane::servicemanagement
