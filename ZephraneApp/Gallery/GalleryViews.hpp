// What the gallery can show: every view by name, each in the states it is
// seen in, both named in lower case with hyphens ("panel", "two-fans"). A state is what the view is given (the properties its QML
// declares) and what the scripted engine holds while it is shown.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QVariantMap>

#include "ZephraneApp/Services/Daemon/HelperState.hpp"

namespace zephrane {
class ShellCommands;
namespace face {
class ScriptedEngineFace;
}

namespace gallery {

struct Stage {
    face::ScriptedEngineFace& face;
    ShellCommands& shell;
};

struct ViewState {
    std::string name;
    QVariantMap properties;
    std::function<void(Stage&)> script;  // none: the scripted engine as it starts
};

// A file of Zephrane.Gallery by its name, as a view's source.
QString galleryFile(const char* name);

struct View {
    std::string name;
    QString source;  // a QML file of Zephrane.Gallery or of the view's own module
    bool isWindow = false;  // the file makes a window of its own
    std::vector<ViewState> states;
};

// In the order --list prints them: each area's views, from its own file.
const std::vector<View>& views();

std::vector<View> designViews();      // DesignViews.cpp
std::vector<View> dashboardViews();   // DashboardViews.cpp
std::vector<View> modesViews();       // ModesViews.cpp
std::vector<View> settingsViews();    // SettingsViews.cpp
std::vector<View> onboardingViews();  // OnboardingViews.cpp
std::vector<View> mainWindowViews();  // MainWindowViews.cpp
std::vector<View> shellViews();       // ShellViews.cpp

// A state's script that shows the daemon in `state`, with an install issue
// when one is given.
std::function<void(Stage&)> daemonIn(HelperState state, std::optional<std::string> issue = std::nullopt);

// A view's QML file in the module of its own area ("Modes", "ModesView.qml").
QString moduleFile(const char* area, const char* name);

}  // namespace gallery
}  // namespace zephrane
