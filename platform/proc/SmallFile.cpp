#include "platform/proc/SmallFile.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace zephrane::proc {

std::optional<std::string> readSmallFile(const std::string& path, SmallFileLimits limits) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::array<char, 4096> buffer{};
    std::string text;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        text.append(buffer.data(), static_cast<std::size_t>(n));
        if (limits.firstLineOnly && text.find('\n') != std::string::npos) break;
        if (text.size() > limits.maxBytes) break;
    }
    ::close(fd);
    if (limits.firstLineOnly) text.resize(std::min(text.size(), text.find('\n')));
    return text;
}

}  // namespace zephrane::proc
