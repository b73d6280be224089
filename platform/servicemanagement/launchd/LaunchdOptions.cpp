#include "platform/servicemanagement/launchd/LaunchdOptions.hpp"

#include <charconv>
#include <optional>
#include <stdexcept>

#include "platform/servicemanagement/ServiceStore.hpp"
#include "platform/xpc/ServiceAddress.hpp"

namespace zephrane::servicemanagement {

namespace {

std::chrono::milliseconds milliseconds(const std::string& option, const std::string& text, long low, long high) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw std::invalid_argument(option + " wants a number of milliseconds from " + std::to_string(low) + " to " +
                                    std::to_string(high) + ", not \"" + text + "\"");
    return std::chrono::milliseconds(value);
}

}  // namespace

LaunchdOptions parseLaunchdOptions(const std::vector<std::string>& arguments) {
    LaunchdOptions options;
    std::optional<std::string> root;
    std::optional<std::string> socketDirectory;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (i + 1 >= arguments.size()) throw std::invalid_argument("unknown option or missing value: \"" + option + "\"");
        const std::string& value = arguments[++i];
        if (option == "--root" && !value.empty()) root = value;
        else if (option == "--xpc-dir" && !value.empty()) socketDirectory = value;
        else if (option == "--poll") options.pollInterval = milliseconds(option, value, 10, 60000);
        else if (option == "--stop-grace") options.stopGrace = milliseconds(option, value, 0, 600000);
        else if (option == "--throttle") options.throttle = milliseconds(option, value, 0, 600000);
        else throw std::invalid_argument("unknown option \"" + option + "\"");
    }
    options.systemRoot = std::filesystem::absolute(root ? std::filesystem::path(*root) : defaultSystemRoot())
                             .lexically_normal();
    options.socketDirectory = xpc::serviceDirectory(socketDirectory);
    return options;
}

}  // namespace zephrane::servicemanagement
