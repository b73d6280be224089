#include <array>

#include "ZephraneApp/Face/DeviceSensorModel.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Gallery/GalleryViews.hpp"

namespace zephrane::gallery {
namespace {

// The modes the states show, by fixed ids so the views' tests can name them.
constexpr const char* kGamingId = "6A1E0C52-7D4B-4F0E-9C1A-000000000001";
constexpr const char* kRecordingId = "6A1E0C52-7D4B-4F0E-9C1A-000000000002";
constexpr const char* kRenderId = "6A1E0C52-7D4B-4F0E-9C1A-000000000003";

Uuid id(const char* text) { return *Uuid::parse(text); }

std::vector<CustomMode> modes() {
    return {
        CustomMode(id(kGamingId), "Gaming", "gamecontroller.fill", ModeSpeed::fixed(0.7),
                   ModeSensor::source(ControlSource::gpuAverage), ModeSensor::sensor("gpu.avg"), true),
        CustomMode(id(kRecordingId), "Podcast recording", "mic.fill", ModeSpeed::floor(0.25),
                   ModeSensor::source(ControlSource::hottest), std::nullopt, false),
        CustomMode(id(kRenderId), "Overnight render", "film.fill", ModeSpeed::floor(0.8),
                   ModeSensor::sensor("storage.gone"), std::nullopt, false),
    };
}

void twoFans(Stage& stage) {
    stage.face.drive().fans().update({{0, FanStatus{0, 2400, 1200, 6000, 2400, false, true}},
                                      {1, FanStatus{1, 2500, 1300, 6500, 2500, false, true}}},
                                     {}, {});
}

void sensors(Stage& stage) {
    const std::vector<DeviceSensorReading> readings{
        {"cpu.avg", "CPU Core Average", "cpu.fill", 58.4},
        {"gpu.avg", "GPU Cluster Average", "memorychip", 74.6},
        {"TB0T", "Battery", "minus.plus.batteryblock", 31.0},
    };
    stage.face.sensors().deviceSensors().update(readings, {});
    auto state = stage.face.sensors().state();
    state.sourceTemperatures = {62.1, 58.4, 61.0, 49.7, 74.6};
    stage.face.sensors().publish(std::move(state));
}

void publishModes(Stage& stage, const std::vector<CustomMode>& list, std::optional<Uuid> active) {
    stage.face.modes().customModes().update(list, active);
    stage.face.modes().publishActiveCustomModeID(active);
}

// Each state sets all it shows, so staging one after another (as the views'
// tests do) leaves nothing of the one before.
void listed(Stage& stage, bool withFans) {
    if (withFans)
        twoFans(stage);
    else
        stage.face.drive().fans().update({}, {}, {});
    sensors(stage);
    publishModes(stage, modes(), id(kGamingId));
}

}  // namespace

std::vector<View> modesViews() {
    const QString screen = galleryFile("ModesScreenScene.qml");
    const QString editor = galleryFile("ModesEditorScene.qml");
    return {
        {"modes", screen, false,
         {{"empty", {},
           [](Stage& stage) {
               twoFans(stage);
               sensors(stage);
               publishModes(stage, {}, std::nullopt);
           }},
          {"list", {}, [](Stage& stage) { listed(stage, true); }},
          {"no-fans", {}, [](Stage& stage) { listed(stage, false); }},
          {"confirm-delete", {},
           [](Stage& stage) {
               listed(stage, true);
               stage.face.shell().requestModeDelete(id(kRecordingId));
           }}}},
        {"mode-editor", editor, false,
         {{"new", {}, [](Stage& stage) { listed(stage, true); }},
          {"minimum", {{"modeId", QString::fromLatin1(kRecordingId)}}, [](Stage& stage) { listed(stage, true); }},
          {"fixed", {{"modeId", QString::fromLatin1(kGamingId)}}, [](Stage& stage) { listed(stage, true); }}}},
    };
}

}  // namespace zephrane::gallery
