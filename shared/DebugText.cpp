#include "shared/DebugText.hpp"

#include <cstdio>

namespace zephrane {

std::string quotedDebugText(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\0': out += "\\0"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x20 || byte == 0x7F) {
                    char buffer[12];
                    std::snprintf(buffer, sizeof buffer, "\\u{%x}", static_cast<unsigned>(byte));
                    out += buffer;
                } else {
                    out.push_back(c);
                }
            }
        }
    }
    out += '"';
    return out;
}

}  // namespace zephrane
