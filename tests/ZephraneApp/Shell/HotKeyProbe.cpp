// Tries to take a hot key as another program would: exit 0 when the grab
// succeeded, 3 when the key is taken, 1 without an X server.
#include <QCoreApplication>

#include <cstdlib>

#include "platform/hotkey/X11HotKeyCenter.hpp"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    zephrane::hotkey::X11HotKeyCenter center;
    if (!center.connected()) return 1;
    zephrane::hotkey::HotKeyRef ref = 0;
    const auto status = center.registerHotKey(static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)),
                                              static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)),
                                              {0, 1}, &ref);
    return status == zephrane::hotkey::noErr ? 0 : status == zephrane::hotkey::eventHotKeyExistsErr ? 3 : 4;
}
