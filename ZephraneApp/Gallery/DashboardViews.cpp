// The dashboard's blocks in the gallery, over the simulated two-fan laptop:
// its sensors as one captured poll (fixtures/two-fan-laptop-sensors.json,
// which a test keeps in step with the simulator), its two fans, its power
// and its load.
#include <QString>

#include "ZephraneApp/Gallery/GalleryLaptop.hpp"
#include "ZephraneApp/Gallery/GalleryViews.hpp"
#include "shared/FanModel.hpp"

namespace zephrane::gallery {

using namespace laptop;

std::vector<View> dashboardViews() {
    const QString essentialsRow = QStringLiteral("cpu.avg");
    return {
        {"temperature-hero", galleryFile("DashboardHeroScene.qml"), false,
         {{"laptop", {},
           [](Stage& stage) {
               publishTemperature(stage, 61.4, "Hottest");
               publishLoads(stage, busyLoads());
           }},
          {"on-battery", {},
           [](Stage& stage) {
               publishTemperature(stage, 47.2, "CPU");
               publishLoads(stage, quietLoads());
           }},
          {"no-reading", {}, [](Stage& stage) { publishTemperature(stage, 0, "Hottest"); }}}},
        {"fan-gauge", galleryFile("DashboardFanGaugeScene.qml"), false,
         {{"laptop", {}, [](Stage& stage) { publishFans(stage, fans(), {}); }},
          {"on-battery", {},
           [](Stage& stage) {
               publishFans(stage,
                           {{0, FanStatus{0, 1834, 1200, 5779, 2400, true, true}},
                            {1, FanStatus{1, 1902, 1200, 5779, 2400, true, true}}},
                           {{0, 2400}, {1, 2400}});
           }},
          {"no-reading", {},
           [](Stage& stage) { publishFans(stage, {{0, FanStatus{0, NAN, 1200, 1200, NAN, false, false}}}, {}); }}}},
        {"power-card", galleryFile("DashboardPowerScene.qml"), false,
         {{"laptop", {},
           [](Stage& stage) {
               publishPower(stage, onAdapter(), 23.4, 12.1);
               publishFans(stage, fans(), {});
           }},
          {"on-battery", {},
           [](Stage& stage) {
               publishPower(stage, onBattery(), 14.2, 14.2);
               publishFans(stage, fans(), {});
           }},
          {"no-reading", {}, [](Stage& stage) { publishPower(stage, PowerTelemetry{}, std::nullopt, 0); }}}},
        {"sensor-list", galleryFile("DashboardSensorsScene.qml"), false,
         {{"essentials", {}, [](Stage& stage) { publishSensors(stage, {}, false); }},
          {"all", {}, [](Stage& stage) { publishSensors(stage, {}, true); }},
          {"search", {{"query", QStringLiteral("core")}}, [](Stage& stage) { publishSensors(stage, {}, false); }},
          {"no-hits", {{"query", QStringLiteral("zzz")}}, [](Stage& stage) { publishSensors(stage, {}, true); }},
          {"pinned", {}, [](Stage& stage) { publishSensors(stage, pinsOf({"TB0T", "Tp0", "PSTR"}), true); }},
          {"expanded", {{"expandedSensorID", essentialsRow}},
           [](Stage& stage) { publishSensors(stage, pinsOf({"TB0T"}), false); }}}},
    };
}

}  // namespace zephrane::gallery
