// Imports every view module's QML plugin into the program: include it in
// exactly one source file of a program that links ZephraneViewPlugins.
#pragma once

#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Zephrane_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zephrane_FacePlugin)
Q_IMPORT_QML_PLUGIN(Zephrane_DashboardPlugin)
Q_IMPORT_QML_PLUGIN(Zephrane_ModesPlugin)
Q_IMPORT_QML_PLUGIN(Zephrane_SettingsPlugin)
Q_IMPORT_QML_PLUGIN(Zephrane_OnboardingPlugin)
Q_IMPORT_QML_PLUGIN(Zephrane_MainWindowPlugin)
Q_IMPORT_QML_PLUGIN(Zephrane_ShellPlugin)
