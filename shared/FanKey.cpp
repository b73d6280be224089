#include "shared/FanKey.hpp"

#include <stdexcept>

namespace zephrane::FanKey {

namespace {

std::string key(int index, std::string_view suffix) {
    if (index < 0 || index > 9)
        throw std::out_of_range("fan index " + std::to_string(index) + " is outside 0...9");
    std::string name = "F";
    name.push_back(static_cast<char>('0' + index));
    name += suffix;
    return name;
}

}  // namespace

std::string current(int index) { return key(index, "Ac"); }
std::string minimum(int index) { return key(index, "Mn"); }
std::string maximum(int index) { return key(index, "Mx"); }
std::string target(int index) { return key(index, "Tg"); }
std::string mode(int index) { return key(index, "Md"); }

}  // namespace zephrane::FanKey
