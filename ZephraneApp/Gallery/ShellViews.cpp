#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Gallery/GalleryViews.hpp"
#include "ZephraneApp/Shell/ShellCommands.hpp"

namespace zephrane::gallery {
namespace {

void twoFans(Stage& stage) {
    stage.face.drive().fans().update({{0, FanStatus{0, 2400, 1200, 6000, 2400, false, true}},
                                      {1, FanStatus{1, 2500, 1200, 6000, 2500, false, true}}},
                                     {}, {});
}

}  // namespace

std::vector<View> shellViews() {
    return {
        {"panel", galleryFile("PanelView.qml"), false,
         {{"readout", {},
           [](Stage& stage) {
               twoFans(stage);
               stage.shell.setReadout(QStringLiteral("64\u00b0 \u00b7 2400 rpm"));
           }},
          {"no-reading", {}, [](Stage& stage) { stage.shell.setReadout(QStringLiteral("--")); }}}},
    };
}

}  // namespace zephrane::gallery
