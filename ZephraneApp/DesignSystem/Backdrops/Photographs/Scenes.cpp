#include "ZephraneApp/DesignSystem/Backdrops/Photographs/Scenes.hpp"

#include <array>
#include <utility>

namespace zephrane::photographs {

std::optional<ScenePainter> scenePainter(std::string_view stem) {
    static constexpr std::array<std::pair<std::string_view, ScenePainter>, 11> kScenes{{
        {"black-sand", &paintBlackSand},
        {"golden-dune", &paintGoldenDune},
        {"pale-sand", &paintPaleSand},
        {"aurora", &paintAurora},
        {"nebula", &paintNebula},
        {"ringed-planet", &paintRingedPlanet},
        {"cirrus", &paintCirrus},
        {"cumulus", &paintCumulus},
        {"desert-dusk", &paintDesertDusk},
        {"riviera", &paintRiviera},
        {"night-circuit", &paintNightCircuit},
    }};
    for (const auto& [name, painter] : kScenes)
        if (name == stem) return painter;
    return std::nullopt;
}

}  // namespace zephrane::photographs
