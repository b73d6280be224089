// The engine's texts are UTF-8 std::strings; QML reads QStrings.
#pragma once

#include <string_view>

#include <QString>

namespace zephrane::face {

inline QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace zephrane::face
