#include "ZephraneApp/Gallery/GalleryViews.hpp"

#include <QVariantList>

#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"

namespace zephrane::gallery {

std::vector<View> designViews() {
    return {
        {"action-buttons", galleryFile("ButtonsView.qml"), false,
         {{"enabled", {}, {}}, {"disabled", {{"controlsEnabled", false}}, {}}}},
        {"glass-tabs", galleryFile("TabsView.qml"), false,
         {{"regular", {}, {}},
          {"compact", {{"compact", true}}, {}},
          {"no-selection", {{"selection", QVariant()}}, {}}}},
        {"capsule-slider", galleryFile("SliderView.qml"), false,
         {{"low", {{"value", 0.15}}, {}}, {"high", {{"value", 0.85}}, {}},
          {"disabled", {{"value", 0.4}, {"controlEnabled", false}}, {}}}},
        {"linear-track", galleryFile("TrackView.qml"), false,
         {{"empty", {{"fraction", 0.0}}, {}},
          {"half", {{"fraction", 0.5}}, {}},
          {"full", {{"fraction", 1.0}}, {}},
          {"with-target", {{"fraction", 0.35}, {"targetFraction", 0.7}}, {}}}},
        {"icon-chip-button", galleryFile("ChipButtonView.qml"), false,
         {{"chip", {}, {}}, {"bare", {{"bare", true}}, {}}}},
        {"empty-state", galleryFile("EmptyStateView.qml"), false,
         {{"compact", {}, {}}, {"full", {{"fullForm", true}}, {}}}},
        {"banner-card", galleryFile("BannerView.qml"), false,
         {{"warning", {}, {}}, {"overheat", {{"overheat", true}}, {}}}},
        {"mini-graph", galleryFile("MiniGraphView.qml"), false,
         {{"thermal", {}, {}},
          {"tinted", {{"thermal", false}, {"samples", QVariantList{12, 14, 11, 18, 22, 19, 25, 21, 17, 16}}}, {}},
          {"no-data", {{"samples", QVariantList{}}}, {}}}},
        {"selectable-swatch", galleryFile("SwatchView.qml"), false,
         {{"unselected", {}, {}}, {"selected", {{"selected", true}}, {}}}},
        {"daemon-action", galleryFile("DaemonActionView.qml"), false,
         {{"not-registered", {}, daemonIn(HelperState::notRegistered())},
          {"unavailable", {{"prominent", true}}, daemonIn(HelperState::unavailable("socket refused"))},
          {"requires-approval", {{"prominent", true}}, daemonIn(HelperState::requiresApproval())},
          {"connecting", {}, daemonIn(HelperState::enabled())},
          {"repair", {}, daemonIn(HelperState::connected(), "The helper\u2019s files are damaged.")}}},
    };
}

}  // namespace zephrane::gallery
