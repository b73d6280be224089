#include "ZephraneApp/Gallery/GalleryViews.hpp"

#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"

namespace zephrane::gallery {

QString galleryFile(const char* name) { return QStringLiteral("qrc:/Zephrane/Gallery/") + QString::fromLatin1(name); }

std::function<void(Stage&)> daemonIn(HelperState state, std::optional<std::string> issue) {
    return [state = std::move(state), issue = std::move(issue)](Stage& stage) {
        auto daemon = stage.face.daemon().state();
        daemon.helperState = state;
        daemon.helperInstallIssue = issue;
        stage.face.daemon().publish(std::move(daemon));
    };
}

QString moduleFile(const char* area, const char* name) {
    return QStringLiteral("qrc:/Zephrane/%1/%2").arg(QString::fromLatin1(area), QString::fromLatin1(name));
}

const std::vector<View>& views() {
    static const std::vector<View> all = [] {
        std::vector<View> made;
        for (auto area : {designViews, dashboardViews, modesViews, settingsViews, onboardingViews, mainWindowViews,
                          shellViews})
            for (View& view : area()) made.push_back(std::move(view));
        return made;
    }();
    return all;
}

}  // namespace zephrane::gallery
