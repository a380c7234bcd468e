#pragma once
// What the figure sprites ask of the game's map display, which is built elsewhere: per view
// (0 main map, 1 combat close-up) a layer that gives the landscape of each zoom level, and of
// that landscape a hex's screen origin and whether the hex is hidden. The game's physical
// layer implements ViewLayer; tests give small stand-ins.
#include "core/geometry.h"

#include <cstdint>

class ViewLandscape {
public:
    virtual ~ViewLandscape() = default;
    virtual Point3D HexOrigin(std::int16_t hex) = 0;
    // Non-zero while the hex's block is flagged hidden.
    virtual std::int16_t IsHexHidden(std::int16_t hex) = 0;
};

class ViewLayer {
public:
    virtual ~ViewLayer() = default;
    // The landscape shown at zoom 0, 1 or 2; null when there is none.
    virtual ViewLandscape* GetLandscape(std::int16_t zoom) = 0;
};

// The view being shown: 0 the main map, 4 the combat close-up, -1 neither. The map windows set
// it as they are activated.
std::int16_t GetActiveViewMode();
void SetActiveViewMode(std::int16_t mode);
