import QtQuick
import Zephrane.Shell

// The shell's panel content as the floating panel shows it.
Panel {}
