#include "ZephraneApp/Gallery/GalleryViews.hpp"

#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"

namespace zephrane::gallery {

std::vector<View> onboardingViews() {
    const QString wizard = galleryFile("OnboardingWizardScene.qml");
    return {
        {"wizard", wizard, false,
         {{"step-1", {{"step", 0}}, {}},
          {"step-2", {{"step", 1}}, daemonIn(HelperState::notRegistered())},
          {"step-2-approval", {{"step", 1}}, daemonIn(HelperState::requiresApproval())},
          {"step-2-connected", {{"step", 1}}, daemonIn(HelperState::connected())},
          {"step-2-unavailable", {{"step", 1}},
           daemonIn(HelperState::unavailable("The helper's socket refused the connection."))},
          {"step-2-issue", {{"step", 1}}, daemonIn(HelperState::notRegistered(), "Move Brumalune to Applications, then try again.")},
          {"step-3", {{"step", 2}},
           [](Stage& stage) {
               // The app under its own identity: the question goes to the system.
               auto system = stage.face.system().state();
               system.canUseNotificationCenter = true;
               stage.face.system().publish(system);
           }},
          {"step-3-answered", {{"step", 2}, {"askNotifications", true}},
           [](Stage& stage) {
               auto system = stage.face.system().state();
               system.canUseNotificationCenter = false;
               stage.face.system().publish(system);
           }},
          {"step-4", {{"step", 3}}, [](Stage& stage) { stage.face.setLoginItemRegistered(true); }},
          {"step-5", {{"step", 4}}, {}}}},
    };
}

}  // namespace zephrane::gallery
